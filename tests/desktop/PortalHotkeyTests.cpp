#include "LogCapture.h"
#include "PrivateBus.h"
#include "StandInPortal.h"
#include "X11TestEnvironment.h"
#include "content/AppConstants.h"
#include "content/Preferences.h"
#include "core/GlobalShortcuts.h"
#include "core/HotkeyManager.h"
#include "linux/desktop/PortalHotkeyBackend.h"

#include <QDBusConnection>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quillbox;
using namespace quillbox::testing;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using State = PortalHotkeyBackend::State;

namespace {

constexpr std::uint32_t superShift = HotkeyModifier::super | HotkeyModifier::shift;

class PortalHotkeyTest : public ::testing::Test {
protected:
    PrivateBus bus;
    const QString clientName = bus.connect(u"quillbox-hotkeys-client"_s);
    const std::unique_ptr<StandInPortal> portal =
        std::make_unique<StandInPortal>(bus.connect(u"quillbox-hotkeys-portal"_s));
    const std::unique_ptr<PortalHotkeyBackend> backend =
        std::make_unique<PortalHotkeyBackend>(clientName);

    void SetUp() override { ASSERT_FALSE(clientName.isEmpty()); }

    bool settles() {
        return waitUntil(
            [&] {
                return backend->state() == State::active || backend->state() == State::unavailable;
            },
            10s);
    }
};

// With or without the host registry (portals before 1.21 have none), the
// three actions go to the desktop in one BindShortcuts, each with its words
// and the keys we would like.
class HotkeyBinding : public PortalHotkeyTest, public ::testing::WithParamInterface<bool> {};

TEST_P(HotkeyBinding, SendsEveryShortcutWithItsDescriptionAndPreferredTrigger) {
    portal->hasRegistry = GetParam();
    ASSERT_TRUE(portal->serve());
    HotkeyManager hotkeys(*backend);
    EXPECT_TRUE(hotkeys.registerHotkey(
        u'v', superShift, [] {}, GlobalShortcuts::panelAction()));
    EXPECT_TRUE(hotkeys.registerHotkey(
        u'c', superShift, [] {}, GlobalShortcuts::pasteStackAction()));
    EXPECT_TRUE(hotkeys.registerHotkey(
        u'n', superShift, [] {}, GlobalShortcuts::pasteNextAction()));
    ASSERT_TRUE(settles());
    EXPECT_EQ(backend->state(), State::active);

    // The application's id comes first, before anything else is asked.
    EXPECT_EQ(portal->members(),
              (QStringList{u"Register"_s, u"CreateSession"_s, u"BindShortcuts"_s}));
    EXPECT_EQ(portal->calls().first().arguments.value(0).toString(), AppConstants::applicationID);

    const auto bind = portal->callsTo(QStringLiteral("BindShortcuts")).first();
    EXPECT_EQ(bind.arguments.value(0).value<QDBusObjectPath>().path(), portal->lastSession());
    QStringList sent;
    for (const PortalShortcut& shortcut : bind.shortcuts)
        sent << shortcut.id + u'|' + shortcut.properties.value(u"description"_s).toString() + u'|' +
                    shortcut.properties.value(u"preferred_trigger"_s).toString();
    EXPECT_EQ(sent, (QStringList{
                        u"toggle-panel|Show or hide the clipboard history|LOGO+SHIFT+v"_s,
                        u"paste-stack|Start or stop the Paste Stack|LOGO+SHIFT+c"_s,
                        u"paste-next|Paste the next item of the Paste Stack|LOGO+SHIFT+n"_s,
                    }));
    // What the desktop bound, for `quillbox status`.
    EXPECT_TRUE(
        backend->description().contains(u"Show or hide the clipboard history (LOGO+SHIFT+v)"_s))
        << backend->description().toStdString();
}

INSTANTIATE_TEST_SUITE_P(, HotkeyBinding, ::testing::Values(true, false), [](const auto& info) {
    return std::string(info.param ? "with_registry" : "without_registry");
});

TEST_F(PortalHotkeyTest, ActivatedRunsTheHandlerOfItsShortcutOnly) {
    ASSERT_TRUE(portal->serve());
    int panelToggles = 0;
    int stackToggles = 0;
    int nextPastes = 0;
    // As in a Wayland session: no watcher sees Ctrl+V, so paste-next has its keys.
    QTemporaryDir settings;
    GlobalShortcuts shortcuts;
    shortcuts.readFrom(Preferences(settings.filePath(u"Quillbox.conf"_s)), false);
    shortcuts.registerWith(
        *backend, [&] { ++panelToggles; }, [&] { ++stackToggles; }, [&] { ++nextPastes; });
    ASSERT_TRUE(settles());
    EXPECT_EQ(portal->callsTo(u"BindShortcuts"_s).first().shortcuts.size(), 3);
    const QString session = portal->lastSession();

    portal->activate(session, u"toggle-panel"_s);
    ASSERT_TRUE(waitUntil([&] { return panelToggles == 1; }));
    portal->activate(session, u"paste-stack"_s);
    ASSERT_TRUE(waitUntil([&] { return stackToggles == 1; }));
    portal->activate(session, u"paste-next"_s);
    ASSERT_TRUE(waitUntil([&] { return nextPastes == 1; }));
    // Another session's shortcut, or one we never bound, is not ours.
    portal->activate(session + QStringLiteral("x"), QStringLiteral("toggle-panel"));
    portal->activate(session, QStringLiteral("unknown"));
    serveFor(200ms);
    EXPECT_EQ(panelToggles, 1);
    EXPECT_EQ(stackToggles, 1);

    // Unregistering closes the session: its presses no longer count.
    shortcuts.unregisterAll();
    ASSERT_TRUE(waitUntil([&] { return !portal->callsTo(u"Close"_s).isEmpty(); }));
    EXPECT_EQ(portal->callsTo(u"Close"_s).first().path, session);
    portal->activate(session, QStringLiteral("toggle-panel"));
    serveFor(200ms);
    EXPECT_EQ(panelToggles, 1);
}

TEST_F(PortalHotkeyTest, ALaterRegistrationBindsAllAgainInANewSession) {
    ASSERT_TRUE(portal->serve());
    HotkeyManager hotkeys(*backend);
    hotkeys.registerHotkey(
        u'v', superShift, [] {}, GlobalShortcuts::panelAction());
    ASSERT_TRUE(settles());
    const QString first = portal->lastSession();
    hotkeys.registerHotkey(
        u'c', superShift, [] {}, GlobalShortcuts::pasteStackAction());
    ASSERT_TRUE(waitUntil([&] { return portal->callsTo(u"BindShortcuts"_s).size() == 2; }));
    ASSERT_TRUE(settles());
    EXPECT_EQ(portal->callsTo(u"Close"_s).first().path, first);
    EXPECT_NE(portal->lastSession(), first);
    EXPECT_EQ(portal->callsTo(u"BindShortcuts"_s).last().shortcuts.size(), 2);
}

// Each way the portal can be missing or say no ends in one log line that
// tells the user what to bind instead, and nothing registered after that
// pretends to work.
struct Refusal {
    const char* name;
    bool portalOnTheBus;
    bool hasGlobalShortcuts;
    const char* method; // answers with `response`
    uint response;
    const char* reason;
};

class HotkeysRefused : public PortalHotkeyTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(HotkeysRefused, LogsOneLineAndReportsUnavailable) {
    const Refusal& row = GetParam();
    portal->hasGlobalShortcuts = row.hasGlobalShortcuts;
    if (row.method)
        portal->responses.insert(QString::fromLatin1(row.method), row.response);
    if (row.portalOnTheBus) {
        ASSERT_TRUE(portal->serve());
    }
    LogCapture log;
    HotkeyManager hotkeys(*backend);
    hotkeys.registerHotkey(
        u'v', superShift, [] {}, GlobalShortcuts::panelAction());
    hotkeys.registerHotkey(
        u'c', superShift, [] {}, GlobalShortcuts::pasteStackAction());
    ASSERT_TRUE(settles());
    serveFor(100ms);
    EXPECT_EQ(backend->state(), State::unavailable);

    const QStringList lines = log.lines().filter(QStringLiteral("global hot keys:"));
    ASSERT_EQ(lines.size(), 1) << log.lines().join(u'\n').toStdString();
    EXPECT_TRUE(lines.first().contains(QString::fromLatin1(row.reason)))
        << lines.first().toStdString();
    EXPECT_TRUE(lines.first().contains(QStringLiteral("bind `quillbox toggle`, `quillbox "
                                                      "paste-stack` and `quillbox paste-next`")));
    EXPECT_TRUE(backend->description().startsWith(QStringLiteral("none: ")));
    // A session the portal opened before saying no is closed again.
    if (row.method && QString::fromLatin1(row.method) == u"BindShortcuts"_s) {
        EXPECT_TRUE(waitUntil([&] { return !portal->callsTo(u"Close"_s).isEmpty(); }));
    }

    EXPECT_FALSE(hotkeys.registerHotkey(
        u'n', superShift, [] {}, GlobalShortcuts::pasteNextAction()));
}

INSTANTIATE_TEST_SUITE_P(
    , HotkeysRefused,
    ::testing::Values(
        Refusal{"no_portal", false, true, nullptr, 0, "offers no GlobalShortcuts portal"},
        Refusal{"no_global_shortcuts", true, false, nullptr, 0, "offers no GlobalShortcuts portal"},
        Refusal{"session_refused", true, true, "CreateSession", 2,
                "refused a session (response 2)"},
        Refusal{"user_cancelled", true, true, "BindShortcuts", 1, "refused them (response 1)"},
        Refusal{"bind_failed", true, true, "BindShortcuts", 2, "refused them (response 2)"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
