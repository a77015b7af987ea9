// What a real headless sway offers (data control, a virtual keyboard, its
// window list), and typing the paste keys and telling the application in
// front there, into a native Wayland text field (a Qt line edit on Qt's
// Wayland platform). The same runs end to end, but only this program runs
// under the sanitizers.
#include "WaylandTestEnvironment.h"
#include "linux/wayland/PasteKeySequence.h"
#include "linux/wayland/WaylandAccessProbe.h"
#include "linux/wayland/WaylandFrontmostApplicationSource.h"
#include "linux/wayland/WaylandInputConnection.h"
#include "linux/wayland/WaylandKeystrokeSender.h"
#include "linux/wayland/WaylandSessionProbe.h"

#include <QFileInfo>
#include <QUrl>
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace quillbox::testing {
namespace {

// The text field of another process, as it reports itself on its output.
class NativeTextField {
public:
    bool start() {
        m_process =
            std::make_unique<ChildProcess>(QStringLiteral(QUILLBOX_PASTE_TARGET), QStringList{},
                                           WaylandTestEnvironment::session().environment());
        return m_process->waitStarted() && waitUntil([&] { return ready(); }, 10s);
    }
    // The app id Qt gives it: its program's name.
    static QString appId() { return QFileInfo(QStringLiteral(QUILLBOX_PASTE_TARGET)).baseName(); }
    QString output() {
        lines();
        return m_output;
    }
    QString text() {
        QString last;
        for (const QString& line : lines()) {
            if (line.startsWith(u"text "_s))
                last = QUrl::fromPercentEncoding(line.mid(5).toUtf8());
        }
        return last;
    }

private:
    bool ready() {
        for (const QString& line : lines()) {
            if (line.startsWith(u"ready"_s))
                return true;
        }
        return false;
    }
    QStringList lines() {
        m_output += QString::fromUtf8(m_process->readAllStandardOutput());
        return m_output.split(u'\n', Qt::SkipEmptyParts);
    }
    std::unique_ptr<ChildProcess> m_process;
    QString m_output;
};

class WaylandInputTest : public ::testing::Test {
protected:
    std::shared_ptr<WaylandInputConnection> connection =
        std::make_shared<WaylandInputConnection>(WaylandInputConnection::applicationAppId());

    void SetUp() override {
        ASSERT_TRUE(waitUntil([&] { return connection->isReady(); }, 5s));
    }
    bool waitForActive(const QString& appId) {
        return waitUntil(
            [&] {
                const auto active = connection->activeToplevel();
                return active && active->appId == appId;
            },
            10s);
    }
};

TEST_F(WaylandInputTest, SwayOffersAVirtualKeyboardAndItsWindowList) {
    EXPECT_TRUE(connection->hasVirtualKeyboard());
    EXPECT_TRUE(connection->listsToplevels());
    EXPECT_TRUE(WaylandAccessProbe(connection).isGranted());
}

TEST_F(WaylandInputTest, PastesIntoTheNativeFieldInFrontAndNamesItsApplication) {
    // Made first, as in the application: its keyboard joins the seat at once.
    WaylandKeystrokeSender keystrokes(connection);
    NativeTextField field;
    ASSERT_TRUE(field.start());
    ASSERT_TRUE(waitForActive(NativeTextField::appId()));
    WaylandFrontmostApplicationSource frontmost(connection);
    const auto app = frontmost.frontmostApplication();
    ASSERT_TRUE(app);
    EXPECT_EQ(app->identifier, NativeTextField::appId());

    ASSERT_TRUE(wlCopy("typed by Quillbox"));
    keystrokes.rememberTargetWindow();
    std::optional<bool> sent;
    keystrokes.sendPasteKeystroke([&](bool ok) { sent = ok; });
    ASSERT_TRUE(waitUntil([&] { return sent.has_value(); }, 5s));
    EXPECT_TRUE(*sent);
    EXPECT_TRUE(waitUntil([&] { return field.text() == u"typed by Quillbox"_s; }, 5s))
        << field.output().toStdString();
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
