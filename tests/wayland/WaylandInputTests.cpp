// What a real headless sway offers (data control, a virtual keyboard, its
// window list), and the key steps typed on that keyboard.
#include "WaylandTestEnvironment.h"
#include "linux/wayland/PasteKeySequence.h"
#include "linux/wayland/WaylandAccessProbe.h"
#include "linux/wayland/WaylandInputConnection.h"
#include "linux/wayland/WaylandSessionProbe.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace quillbox::testing {
namespace {

// Typing into another program's field, and naming it as the source of a
// copy, are proven end to end on the same compositor.
TEST(WaylandInputTest, SwayOffersAVirtualKeyboardAndItsWindowList) {
    const auto connection =
        std::make_shared<WaylandInputConnection>(WaylandInputConnection::applicationAppId());
    ASSERT_TRUE(waitUntil([&] { return connection->isReady(); }, 5s));
    EXPECT_TRUE(connection->hasVirtualKeyboard());
    EXPECT_TRUE(connection->listsToplevels());
    EXPECT_TRUE(WaylandAccessProbe(connection).isGranted());
}

// Sway 1.7 offers wlroots' data control only; a name that leads nowhere is no
// session at all.
TEST(WaylandSessionProbeTest, FindsTheDataControlManager) {
    const auto probe = WaylandSessionProbe::probe();
    EXPECT_TRUE(probe.connected);
    EXPECT_EQ(probe.dataControl, u"zwlr_data_control_manager_v1"_s);

    const QByteArray own = qgetenv("WAYLAND_DISPLAY");
    qputenv("WAYLAND_DISPLAY", "/nonexistent/wayland-9");
    const auto nowhere = WaylandSessionProbe::probe();
    qputenv("WAYLAND_DISPLAY", own);
    EXPECT_FALSE(nowhere.connected);
    EXPECT_FALSE(nowhere.offersDataControl());
}

// The steps each paste combination takes on the virtual keyboard.
TEST(PasteKeySequence, EachModifierIsDownAndReportedAroundTheVKey) {
    const auto keyboard = PasteKeySequence::make();
    ASSERT_TRUE(keyboard);
    EXPECT_TRUE(keyboard->keymapText().startsWith("xkb_keymap"));
    EXPECT_TRUE(keyboard->keymapText().endsWith('\0'));
    using K = VirtualKeyStep::Kind;
    // In the US keymap Shift is modifier 0, Control 2 and Alt (Mod1) 3.
    const auto key = [](std::uint32_t code, bool down) {
        return VirtualKeyStep{K::key, code, down, 0};
    };
    const auto mods = [](std::uint32_t mask) {
        return VirtualKeyStep{K::modifiers, 0, false, mask};
    };
    EXPECT_EQ(keyboard->steps(PasteKeys::ctrlV),
              (QList<VirtualKeyStep>{key(KEY_LEFTCTRL, true), mods(4), key(KEY_V, true),
                                     key(KEY_V, false), key(KEY_LEFTCTRL, false), mods(0)}));
    EXPECT_EQ(
        keyboard->steps(PasteKeys::ctrlShiftV),
        (QList<VirtualKeyStep>{key(KEY_LEFTCTRL, true), mods(4), key(KEY_LEFTSHIFT, true), mods(5),
                               key(KEY_V, true), key(KEY_V, false), key(KEY_LEFTSHIFT, false),
                               mods(4), key(KEY_LEFTCTRL, false), mods(0)}));
    EXPECT_EQ(keyboard->steps(PasteKeys::ctrlAltV).at(3), mods(4 | 8));
    EXPECT_TRUE(keyboard->steps(PasteKeys::none).isEmpty());
}

} // namespace
} // namespace quillbox::testing
