// The built program in a Wayland session whose clipboard XWayland serves (as
// on GNOME): its hot keys and paste keys go through the desktop portal, here
// a stand-in on a private D-Bus that records what the program asks of it.
#include "PrivateBus.h"
#include "QuillboxSession.h"
#include "StandInPortal.h"
#include "X11TestEnvironment.h"

#include <QSettings>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace quillbox::testing {
namespace {

class PortalEndToEndTest : public ::testing::Test {
protected:
    PrivateBus bus;
    const std::unique_ptr<StandInPortal> portal =
        std::make_unique<StandInPortal>(bus.connect(u"quillbox-e2e-portal"_s));
    QuillboxSession session;

    void SetUp() override {
        ASSERT_TRUE(portal->serve());
        session.setEnvironmentValue(u"DBUS_SESSION_BUS_ADDRESS"_s, bus.address());
        // A compositor's socket name is all that marks a Wayland session.
        session.setEnvironmentValue(u"WAYLAND_DISPLAY"_s, u"wayland-quillbox-e2e"_s);
    }
};

TEST_F(PortalEndToEndTest, ThePortalsHotKeyOpensThePanelAndReturnPastesWithThePortalsKeyboard) {
    ASSERT_TRUE(session.activateEditorWindow());
    ASSERT_TRUE(session.start());
    session.copy("through the portal");
    ASSERT_TRUE(session.waitForItemCount(1));

    // What is bound, and how, is the portal backends' own test's. The
    // program takes presses once it has read the answer, which the bus
    // delivers before anything sent after it.
    ASSERT_TRUE(waitUntil([&] { return portal->answered().contains(u"BindShortcuts"_s); }, 10s));

    // Once Quillbox has the portal's answer: an activation before it would be
    // of keys it does not know it has yet.
    ASSERT_TRUE(waitUntil([&] { return session.log().contains("global hot keys through"); }, 10s))
        << session.log().toStdString();
    portal->activate(portal->lastSession(), u"toggle-panel"_s);
    ASSERT_TRUE(waitUntil([&] { return session.activeWindowName() == u"Quillbox"_s; }, 5s));
    serveFor(400ms); // the panel grows into place
    xdotool({u"key"_s, u"Return"_s}, session.environment());

    // Ctrl+V as evdev key codes, after the one-time consent; the restore
    // token is kept for the next run.
    const QList<std::pair<int, uint>> ctrlV{{29, 1}, {47, 1}, {47, 0}, {29, 0}};
    ASSERT_TRUE(waitUntil([&] { return portal->keys().size() >= 4; }, 10s))
        << session.log().toStdString();
    EXPECT_EQ(portal->keys(), ctrlV);
    EXPECT_TRUE(waitUntil(
        [&] {
            return QSettings(session.preferencesFile(), QSettings::IniFormat)
                       .value(u"remoteDesktopRestoreToken"_s)
                       .toString() == u"restore-1"_s;
        },
        5s));
}

} // namespace
} // namespace quillbox::testing
