#include "FakeHotkeyBackend.h"
#include "LogCapture.h"
#include "content/AppConstants.h"
#include "content/Preferences.h"
#include "core/GlobalShortcuts.h"
#include "core/HotkeyManager.h"
#include "core/KeyCombination.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

using namespace quillbox;
using quillbox::testing::FakeHotkeyBackend;
using quillbox::testing::LogCapture;

namespace {
constexpr std::uint32_t superShift = HotkeyModifier::super | HotkeyModifier::shift;
} // namespace

TEST(HotkeyManager, IdsCountUpFromOneAcrossFailuresAndPressesReachOnlyActiveOnes) {
    using IDs = QList<std::uint32_t>;
    FakeHotkeyBackend backend;
    backend.setKeyCode(55);
    HotkeyManager manager(backend);
    LogCapture log;
    IDs ran;
    const auto registerNext = [&] {
        return manager.registerHotkey(u'v', superShift,
                                      [&ran, id = manager.nextID()] { ran.append(id); });
    };

    EXPECT_TRUE(registerNext());
    EXPECT_TRUE(registerNext());
    EXPECT_EQ(manager.registeredIDs(), (IDs{1, 2}));
    backend.simulatePress(2);
    backend.simulatePress(99); // never handed out
    EXPECT_EQ(ran, IDs{2});
    manager.unregisterAll();
    backend.simulatePress(1); // released
    EXPECT_TRUE(manager.registeredIDs().isEmpty());

    // A taken combination fails, is logged and still uses up id 3, which is
    // never dispatched.
    backend.failWithStatus(10);
    EXPECT_FALSE(registerNext());
    backend.failWithStatus(0);
    backend.simulatePress(3);
    EXPECT_TRUE(manager.registeredIDs().isEmpty());
    EXPECT_TRUE(registerNext());
    backend.simulatePress(4);
    EXPECT_EQ(ran, (IDs{2, 4}));
    EXPECT_EQ(backend.activeRegistrations(),
              (QList<FakeHotkeyBackend::Registration>{{4, u'v', superShift}}));
    EXPECT_EQ(log.lines().join(u'\n').toStdString(),
              "Quillbox: could not register hotkey 55 (status 10); another app may be using it.");
}

TEST(HotkeyManager, AHandlerMayUnregisterEverythingWhileItRuns) {
    FakeHotkeyBackend backend;
    HotkeyManager manager(backend);
    int runs = 0;
    manager.registerHotkey(u'c', superShift, [&] {
        manager.unregisterAll();
        ++runs;
    });
    backend.simulatePress(1);
    backend.simulatePress(1);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(backend.activeRegistrations().isEmpty());
}

TEST(KeyCombination, ParsesWhatUsersWriteAndRefusesTheRest) {
    constexpr std::uint32_t ctrlAlt = HotkeyModifier::control | HotkeyModifier::alt;
    struct Row {
        const char* text;
        std::optional<KeyCombination> expected;
        const char* canonical; // what toString() gives back, when parsed
    };
    const Row rows[] = {
        {"Super+Shift+V", KeyCombination{u'v', superShift}, "Super+Shift+V"},
        {" shift + super + c ", KeyCombination{u'c', superShift}, "Super+Shift+C"},
        {"Control+Alt+7", KeyCombination{u'7', ctrlAlt}, "Ctrl+Alt+7"},
        {"ctrl+alt+page_down", KeyCombination{0xff56, ctrlAlt}, "Ctrl+Alt+Page_Down"},
        {"Super+F12", KeyCombination{0xffc9, HotkeyModifier::super}, "Super+F12"},
        {"F5", KeyCombination{0xffc2, 0}, "F5"},
        {"Shift+F5", KeyCombination{0xffc2, HotkeyModifier::shift}, "Shift+F5"},
        {"Alt+Print", KeyCombination{0xff61, HotkeyModifier::alt}, "Alt+Print"},
        // Taken desktop-wide, a key without a modifier could no longer be typed.
        {"A", std::nullopt, ""},
        {"Shift+A", std::nullopt, ""},
        {"Space", std::nullopt, ""},
        {"Print", std::nullopt, ""},
        {"Super+Shift+", std::nullopt, ""},
        {"Super+Shift", std::nullopt, ""},
        {"Hyper+V", std::nullopt, ""},
        {"Shift+Shift+V", std::nullopt, ""},
        {"Super+Shift+VV", std::nullopt, ""},
        {"Super+F0", std::nullopt, ""},
        {"Super+F36", std::nullopt, ""},
        {"", std::nullopt, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const auto parsed = KeyCombination::parse(QString::fromUtf8(row.text));
        EXPECT_EQ(parsed, row.expected);
        if (parsed) {
            EXPECT_EQ(parsed->toString(), QString::fromUtf8(row.canonical));
        }
    }
}

TEST(KeyCombination, PreferenceOverridesTheDefaultAndABadTextFallsBackWithALoggedLine) {
    QTemporaryDir dir;
    Preferences preferences(dir.filePath(u"Quillbox.conf"_qs));
    AppConstants::registerDefaults(preferences);
    const QString& key = AppConstants::Keys::panelHotkey;
    const KeyCombination fallback = KeyCombination::panelDefault();
    LogCapture log;

    EXPECT_EQ(KeyCombination::fromPreferences(preferences, key, fallback), fallback);
    preferences.setValue(key, u"Ctrl+Alt+H"_qs);
    EXPECT_EQ(KeyCombination::fromPreferences(preferences, key, fallback),
              (KeyCombination{u'h', HotkeyModifier::control | HotkeyModifier::alt}));
    EXPECT_TRUE(log.lines().isEmpty());

    preferences.setValue(key, u"Super+Shift+Banana"_qs);
    EXPECT_EQ(KeyCombination::fromPreferences(preferences, key, fallback), fallback);
    EXPECT_EQ(log.lines().join(u'\n').toStdString(),
              "Quillbox: the preference panelHotkey holds \"Super+Shift+Banana\", which is not a "
              "key combination; using Super+Shift+V");
}

TEST(GlobalShortcuts, RegistersThePreferredCombinationsEachReachingItsToggle) {
    QTemporaryDir dir;
    Preferences preferences(dir.filePath(u"Quillbox.conf"_qs));
    AppConstants::registerDefaults(preferences);
    // The backend outlives the shortcuts, as the platform does in the application.
    FakeHotkeyBackend backend;
    GlobalShortcuts shortcuts;
    shortcuts.unregisterAll(); // nothing registered yet
    EXPECT_EQ(shortcuts.panelKeys(), KeyCombination::panelDefault());
    preferences.setValue(AppConstants::Keys::pasteStackHotkey, u"Ctrl+Alt+P"_qs);
    shortcuts.readFrom(preferences, true);
    EXPECT_EQ(shortcuts.panelKeys(), KeyCombination::panelDefault());
    const KeyCombination stackKeys{u'p', HotkeyModifier::control | HotkeyModifier::alt};
    EXPECT_EQ(shortcuts.pasteStackKeys(), stackKeys);

    QStringList toggled;
    shortcuts.registerWith(
        backend, [&] { toggled.append(u"panel"_qs); }, [&] { toggled.append(u"stack"_qs); },
        [&] { toggled.append(u"next"_qs); });
    const auto& active = backend.activeRegistrations();
    ASSERT_EQ(active.size(), 2) << "Ctrl+V is watched: no paste-next combination";
    EXPECT_FALSE(shortcuts.isPasteNextRegistered());
    EXPECT_EQ(active.at(1).keySymbol, stackKeys.keySymbol);
    EXPECT_EQ(active.at(1).modifiers, stackKeys.modifiers);
    backend.simulatePress(active.at(1).id);
    backend.simulatePress(active.at(0).id);
    EXPECT_EQ(toggled, (QStringList{u"stack"_qs, u"panel"_qs}));
    shortcuts.unregisterAll();
    EXPECT_TRUE(backend.activeRegistrations().isEmpty());
}

// Pasting the stack's next item has its own combination where Ctrl+V is not
// watched, and where the preferences ask for one.
TEST(GlobalShortcuts, PasteNextHasAKeyWhereThePasteKeyIsNotWatchedOrThePreferencesGiveOne) {
    const struct {
        const char* name;
        bool watched;
        QString preference;
        std::optional<KeyCombination> expected;
    } cases[] = {
        {"watched, unset", true, {}, std::nullopt},
        {"not watched, unset", false, {}, KeyCombination::pasteNextDefault()},
        {"watched, set", true, u"Ctrl+Alt+N"_qs,
         KeyCombination{u'n', HotkeyModifier::control | HotkeyModifier::alt}},
        {"not watched, mistyped", false, u"Super+Nope"_qs, KeyCombination::pasteNextDefault()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        Preferences preferences(dir.filePath(u"Quillbox.conf"_qs));
        AppConstants::registerDefaults(preferences);
        if (!c.preference.isEmpty())
            preferences.setValue(AppConstants::Keys::pasteNextHotkey, c.preference);
        FakeHotkeyBackend backend;
        GlobalShortcuts shortcuts;
        shortcuts.readFrom(preferences, c.watched);
        EXPECT_EQ(shortcuts.pasteNextKeys(), c.expected);
        int pasted = 0;
        shortcuts.registerWith(
            backend, [] {}, [] {}, [&] { ++pasted; });
        EXPECT_EQ(shortcuts.isPasteNextRegistered(), c.expected.has_value());
        if (c.expected) {
            backend.simulatePress(backend.activeRegistrations().last().id);
            EXPECT_EQ(pasted, 1);
        }
    }
}
