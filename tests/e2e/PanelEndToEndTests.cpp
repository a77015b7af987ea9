// The history panel of the built program on a real display: opened by the
// global hot key over another program's text field, narrowed by typing, and
// pasting the chosen card back into that field.
#include "PasteTarget.h"
#include "QuillboxSession.h"
#include "X11TestEnvironment.h"

#include <QUrl>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace quillbox::testing {
namespace {

QString activeWindowName(const QuillboxSession& session) {
    return QString::fromUtf8(
        xdotool({u"getactivewindow"_s, u"getwindowname"_s}, session.environment())
            .standardOutput.trimmed());
}

class PanelEndToEndTest : public ::testing::Test {
public:
    QuillboxSession session;
};

TEST_F(PanelEndToEndTest, TheHotKeyOpensThePanelOverAFieldAndReturnPastesTheCardFoundThere) {
    PasteTarget target(session);
    ASSERT_TRUE(target.start());
    ASSERT_TRUE(session.start());
    session.copy("apple pie recipe");
    ASSERT_TRUE(session.waitForItemCount(1));
    session.copy("banana bread");
    ASSERT_TRUE(session.waitForItemCount(2));

    xdotool({u"key"_s, u"super+shift+v"_s}, session.environment());
    ASSERT_TRUE(waitUntil([&] { return activeWindowName(session) == u"Quillbox"_s; }, 5s))
        << activeWindowName(session).toStdString();
    xdotool({u"type"_s, u"--delay"_s, u"40"_s, u"apple"_s}, session.environment());
    serveFor(300ms);
    xdotool({u"key"_s, u"Return"_s}, session.environment());

    EXPECT_TRUE(waitUntil([&] { return target.text() == u"apple pie recipe"_s; }, 5s))
        << target.text().toStdString();
    EXPECT_NE(activeWindowName(session), u"Quillbox"_s);
    // The paste moved the card to the front and recorded nothing new.
    EXPECT_EQ(session.items().size(), 2);
}

TEST_F(PanelEndToEndTest, AHotKeyTakenByAnotherProgramIsLoggedAndTheCommandLineStillOpensThePanel) {
    // Another client holds Super+Shift+V (keysym 0x76, Shift 1 + Mod4 64).
    ChildProcess grabber(QStringLiteral(QUILLBOX_KEY_GRABBER), {u"grab"_s, u"76"_s, u"65"_s},
                         session.environment());
    ASSERT_TRUE(grabber.waitStarted());
    QByteArray said;
    ASSERT_TRUE(
        waitUntil([&] { return (said += grabber.readAllStandardOutput()).contains("ready"); }));
    ASSERT_TRUE(session.activateEditorWindow());
    ASSERT_TRUE(session.start());
    EXPECT_TRUE(waitUntil([&] { return session.log().contains("could not register hotkey"); }, 3s))
        << session.log().toStdString();
    EXPECT_TRUE(session.log().contains("another app may be using it."));

    const RunResult opened = session.run({u"toggle"_s});
    EXPECT_EQ(opened.exitCode, 0);
    EXPECT_TRUE(waitUntil([&] { return activeWindowName(session) == u"Quillbox"_s; }, 5s));
    session.run({u"toggle"_s});
    EXPECT_TRUE(waitUntil([&] { return activeWindowName(session) != u"Quillbox"_s; }, 5s));
    grabber.writeAndClose({});
}

} // namespace
} // namespace quillbox::testing
