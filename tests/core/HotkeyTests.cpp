#include "FakeHotkeyBackend.h"
#include "LogCapture.h"
#include "content/AppConstants.h"
#include "content/Preferences.h"
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

TEST(HotkeyManager, IdsCountUpFromOneAcrossFailuresAndUnregisterAllAndPressesReachOnlyActiveOnes) {
    FakeHotkeyBackend backend;
    backend.setKeyCode(55);
    HotkeyManager manager(backend);
    LogCapture log;
    QList<std::uint32_t> ran;

    enum class Action { registerKey, failWithBadAccess, unregisterAll, press };
    struct Step {
        const char* what;
        Action action;
        std::uint32_t pressedID;
        bool expectedResult;
        QList<std::uint32_t> expectedIDs;
        QList<std::uint32_t> expectedRan;
    };
    const Step steps[] = {
        {"the first registration gets id 1", Action::registerKey, 0, true, {1}, {}},
        {"the second gets id 2", Action::registerKey, 0, true, {1, 2}, {}},
        {"a press runs its own handler only", Action::press, 2, true, {1, 2}, {2}},
        {"a press of an id never handed out is ignored", Action::press, 99, true, {1, 2}, {2}},
        {"unregisterAll releases both", Action::unregisterAll, 0, true, {}, {2}},
        {"a press of a released id is ignored", Action::press, 1, true, {}, {2}},
        {"a taken combination fails and still consumes id 3",
         Action::failWithBadAccess,
         0,
         false,
         {},
         {2}},
        {"the failed id is never dispatched", Action::press, 3, true, {}, {2}},
        {"the next registration gets id 4", Action::registerKey, 0, true, {4}, {2}},
        {"and its press runs", Action::press, 4, true, {4}, {2, 4}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        bool result = true;
        const auto record = [&ran, &manager] {
            return [&ran, id = manager.nextID()] { ran.append(id); };
        };
        switch (step.action) {
        case Action::registerKey:
            result = manager.registerHotkey(u'v', superShift, record());
            break;
        case Action::failWithBadAccess:
            backend.failWithStatus(10);
            result = manager.registerHotkey(u'v', superShift, record());
            backend.failWithStatus(0);
            break;
        case Action::unregisterAll:
            manager.unregisterAll();
            break;
        case Action::press:
            backend.simulatePress(step.pressedID);
            break;
        }
        EXPECT_EQ(result, step.expectedResult);
        EXPECT_EQ(manager.registeredIDs(), step.expectedIDs);
        EXPECT_EQ(ran, step.expectedRan);
    }
    EXPECT_EQ(backend.activeRegistrations(),
              (QList<FakeHotkeyBackend::Registration>{{4, u'v', superShift}}));
    EXPECT_EQ(manager.nextID(), 5u);
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
        {"Print", KeyCombination{0xff61, 0}, "Print"},
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
