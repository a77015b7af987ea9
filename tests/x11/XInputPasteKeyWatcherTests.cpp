// The paste-key watcher on a real X server (Xvfb with openbox): keys pressed
// with xdotool, which goes through XTEST like any synthetic input, into
// windows of an ordinary and a terminal class; and our own synthetic paste.
#include "ChildProcess.h"
#include "X11TestEnvironment.h"
#include "linux/x11/XInputPasteKeyWatcher.h"
#include "linux/x11/XTestKeystrokeSender.h"

#include <QHash>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace quillbox::testing {
namespace {

// Long enough for the X server to deliver the raw events of a keystroke.
constexpr auto deliveryTime = 400ms;

// Windows of the test window program, one per class, kept for all tests.
void activateWindowOfClass(const QString& windowClass) {
    static QHash<QString, std::pair<std::shared_ptr<ChildProcess>, QString>> windows;
    if (const auto it = windows.constFind(windowClass); it != windows.cend()) {
        EXPECT_TRUE(activateWindow(it->second, X11TestEnvironment::session().environment()));
        return;
    }
    QString id;
    std::shared_ptr<ChildProcess> window = openActiveWindow(
        QStringLiteral(QUILLBOX_TEST_WINDOW), {windowClass.toLower(), windowClass}, &id);
    EXPECT_NE(window, nullptr) << windowClass.toStdString();
    windows.insert(windowClass, {window, id});
}

struct KeyCase {
    const char* why;
    QString windowClass;
    QStringList keys; // xdotool's arguments
    int expectedReports;
};

class PasteKeyWatching : public ::testing::TestWithParam<KeyCase> {};

TEST_P(PasteKeyWatching, ReportsThePasteKeyOfTheFocusedWindowOnce) {
    const KeyCase& row = GetParam();
    activateWindowOfClass(row.windowClass);
    XInputPasteKeyWatcher watcher;
    int reports = 0;
    watcher.onPasteKeyPressed = [&] { ++reports; };
    ASSERT_TRUE(watcher.start());

    xdotool(row.keys);
    if (row.expectedReports > 0)
        waitUntil([&] { return reports >= row.expectedReports; }, 2s);
    serveFor(deliveryTime);
    EXPECT_EQ(reports, row.expectedReports) << row.why;
}

// Ctrl+Alt+V and Super+V are pressed on the Paste Stack end to end, where
// what the watcher reports decides what is pasted.
INSTANTIATE_TEST_SUITE_P(
    Table, PasteKeyWatching,
    ::testing::Values(
        KeyCase{"Ctrl+V", u"Editor"_s, {u"key"_s, u"ctrl+v"_s}, 1},
        KeyCase{"two presses", u"Editor"_s, {u"key"_s, u"ctrl+v"_s, u"ctrl+v"_s}, 2},
        KeyCase{"held for 1.2 s",
                u"Editor"_s,
                {u"keydown"_s, u"ctrl+v"_s, u"sleep"_s, u"1.2"_s, u"keyup"_s, u"ctrl+v"_s},
                1},
        KeyCase{"Ctrl+Shift+V outside terminals", u"Editor"_s, {u"key"_s, u"ctrl+shift+v"_s}, 0},
        KeyCase{"V alone", u"Editor"_s, {u"key"_s, u"v"_s}, 0},
        KeyCase{"Ctrl+Shift+V in a terminal", u"kitty"_s, {u"key"_s, u"ctrl+shift+v"_s}, 1},
        KeyCase{"Ctrl+V in a terminal types ^V", u"kitty"_s, {u"key"_s, u"ctrl+v"_s}, 0}));

TEST(PasteKeyWatcher, OurOwnSyntheticPasteIsNotReportedTheUsersNextPressIsAndNoneAfterStop) {
    activateWindowOfClass(u"Editor"_s);
    XTestKeystrokeSender keystrokes;
    ASSERT_TRUE(keystrokes.isAvailable());
    XInputPasteKeyWatcher watcher(&keystrokes);
    int reports = 0;
    watcher.onPasteKeyPressed = [&] { ++reports; };
    ASSERT_TRUE(watcher.start());

    bool sent = false;
    keystrokes.sendPasteKeystroke([&](bool ok) { sent = ok; });
    ASSERT_TRUE(waitUntil([&] { return sent; }));
    serveFor(deliveryTime);
    EXPECT_EQ(reports, 0);

    // Past the window in which synthetic keys are taken for ours.
    serveFor(XInputPasteKeyWatcher::ownKeystrokeWindow);
    xdotool({u"key"_s, u"ctrl+v"_s});
    EXPECT_TRUE(waitUntil([&] { return reports == 1; }, 2s));

    watcher.stop();
    xdotool({u"key"_s, u"ctrl+v"_s});
    serveFor(deliveryTime);
    EXPECT_EQ(reports, 1) << "reported after stop";
}

} // namespace
} // namespace quillbox::testing
