#include "WaylandTestEnvironment.h"
#include "linux/wayland/WaylandSessionProbe.h"

#include <gtest/gtest.h>

using namespace quillbox;
using namespace quillbox::testing;

namespace {

// The rig itself: real clipboard clients meet on the private compositor.
TEST(SwaySessionTest, ClipboardClientsShareTheSelection) {
    ASSERT_TRUE(wlCopy("hello"));
    EXPECT_EQ(wlPaste(), "hello");
}

// Sway 1.7 offers wlroots' data control only; a name that leads nowhere is no
// session at all.
TEST(SwaySessionTest, ProbeFindsTheDataControlManager) {
    const auto probe = WaylandSessionProbe::probe();
    EXPECT_TRUE(probe.connected);
    EXPECT_EQ(probe.dataControl, QStringLiteral("zwlr_data_control_manager_v1"));

    const QByteArray own = qgetenv("WAYLAND_DISPLAY");
    qputenv("WAYLAND_DISPLAY", "/nonexistent/wayland-9");
    const auto nowhere = WaylandSessionProbe::probe();
    qputenv("WAYLAND_DISPLAY", own);
    EXPECT_FALSE(nowhere.connected);
    EXPECT_FALSE(nowhere.offersDataControl());
}

} // namespace
