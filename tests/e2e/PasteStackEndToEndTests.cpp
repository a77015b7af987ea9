// The Paste Stack of the built program on a real display: started by its
// hot key or command, fed by other programs' copies, and moved on by real
// Ctrl+V presses (xdotool, through XTEST like any typing tool) in another
// program's text field.
#include "PasteTarget.h"
#include "QuillboxSession.h"
#include "X11TestEnvironment.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace quillbox::testing {
namespace {

// Longer than the wait between a paste and the stack's next item, with room
// for a loaded machine.
constexpr auto advanceSettle = 700ms;

class PasteStackEndToEndTest : public ::testing::Test {
public:
    QuillboxSession session;
    PasteTarget target{session};

    void SetUp() override {
        ASSERT_TRUE(target.start());
        ASSERT_TRUE(session.start());
    }

    RunResult xdotool(const QStringList& arguments) {
        return testing::xdotool(arguments, session.environment());
    }
    QString stackWindowID() {
        return QString::fromLatin1(
            xdotool({u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^Paste Stack$"_s})
                .standardOutput.trimmed());
    }
    bool isStackWindowShown() { return !stackWindowID().isEmpty(); }
    QString activeWindow() {
        return QString::fromLatin1(xdotool({u"getactivewindow"_s}).standardOutput.trimmed());
    }
    // Copies each text from a program of its own, waiting until it is recorded.
    void copyAll(const QStringList& texts) {
        const qsizetype before = session.items().size();
        for (qsizetype i = 0; i < texts.size(); ++i) {
            session.copy(texts[i].toUtf8());
            ASSERT_TRUE(session.waitForItemCount(before + i + 1)) << texts[i].toStdString();
        }
    }
    // Presses Ctrl+V in the field and waits until what it pasted shows.
    QString pasteOnce() {
        const QString before = target.text();
        xdotool({u"key"_s, u"ctrl+v"_s});
        waitUntil([&] { return target.text() != before; }, 3s);
        serveFor(advanceSettle);
        return target.text().mid(before.size());
    }
};

TEST_F(PasteStackEndToEndTest, CopiesPasteInTheirOrderWithCtrlVThenTheStackEndsAndStopEndsTheNext) {
    xdotool({u"key"_s, u"super+shift+c"_s});
    ASSERT_TRUE(waitUntil([&] { return isStackWindowShown(); }, 5s));
    // Neither showing the window nor a click on it takes the keyboard from the field.
    EXPECT_EQ(activeWindow().toStdString(), target.windowID().toStdString());
    xdotool(
        {u"mousemove"_s, u"--window"_s, stackWindowID(), u"150"_s, u"200"_s, u"click"_s, u"1"_s});
    serveFor(300ms);
    EXPECT_EQ(activeWindow().toStdString(), target.windowID().toStdString());
    copyAll({u"alpha one"_s, u"beta two"_s, u"gamma three"_s});

    EXPECT_EQ(pasteOnce(), u"alpha one"_s);
    EXPECT_EQ(pasteOnce(), u"beta two"_s);
    EXPECT_TRUE(isStackWindowShown());
    EXPECT_EQ(pasteOnce(), u"gamma three"_s);
    EXPECT_TRUE(waitUntil([&] { return !isStackWindowShown(); }, 3s));
    EXPECT_EQ(target.text(), u"alpha onebeta twogamma three"_s);
    // Pasting recorded nothing new.
    EXPECT_EQ(session.items().size(), 3);
    EXPECT_EQ(activeWindow().toStdString(), target.windowID().toStdString());

    // Ended: the command starts a new run rather than ending one, and the
    // window's stop button, at the right end of its title row, ends that.
    EXPECT_EQ(session.run({u"paste-stack"_s}).standardOutput,
              "The Paste Stack is collecting copies.\n");
    ASSERT_TRUE(waitUntil([&] { return isStackWindowShown(); }, 5s));
    xdotool(
        {u"mousemove"_s, u"--window"_s, stackWindowID(), u"277"_s, u"20"_s, u"click"_s, u"1"_s});
    EXPECT_TRUE(waitUntil([&] { return !isStackWindowShown(); }, 3s));
}

TEST_F(PasteStackEndToEndTest, TenCtrlVPressesFiftyMillisecondsApartPasteTenItemsInOrder) {
    session.run({u"paste-stack"_s});
    ASSERT_TRUE(waitUntil([&] { return isStackWindowShown(); }, 5s));
    QStringList copied;
    for (int i = 1; i <= 10; ++i)
        copied.append(u"<%1>"_s.arg(i));
    copyAll(copied);
    QStringList presses{u"key"_s, u"--delay"_s, u"50"_s};
    for (int i = 0; i < copied.size(); ++i)
        presses.append(u"ctrl+v"_s);
    xdotool(presses);
    // Each press pasted the next item: none twice, none lost.
    EXPECT_TRUE(waitUntil([&] { return target.text() == copied.join(QString()); }, 5s))
        << target.text().toStdString();
    EXPECT_TRUE(waitUntil([&] { return !isStackWindowShown(); }, 3s));
}

TEST_F(PasteStackEndToEndTest, AHeldCtrlVMovesOnOnceAndCtrlAltVOrSuperVNotAtAll) {
    const RunResult started = session.run({u"paste-stack"_s});
    EXPECT_EQ(started.standardOutput, "The Paste Stack is collecting copies.\n");
    ASSERT_TRUE(waitUntil([&] { return isStackWindowShown(); }, 5s));
    copyAll({u"one"_s, u"two"_s, u"three"_s});

    // The field may take these as typing; the stack does not move.
    xdotool({u"key"_s, u"ctrl+alt+v"_s, u"super+v"_s});
    serveFor(advanceSettle);
    // Held for a while: the field pastes again with each repeat, the stack
    // moves on once.
    const QString before = target.text();
    xdotool({u"keydown"_s, u"ctrl+v"_s, u"sleep"_s, u"1.2"_s, u"keyup"_s, u"v"_s, u"keyup"_s,
             u"ctrl"_s});
    ASSERT_TRUE(
        waitUntil([&] { return target.text().mid(before.size()).startsWith(u"one"_s); }, 3s))
        << target.text().toStdString();
    serveFor(advanceSettle);
    EXPECT_EQ(pasteOnce(), u"two"_s) << target.text().toStdString();
    EXPECT_TRUE(isStackWindowShown());
    EXPECT_EQ(pasteOnce(), u"three"_s);
    EXPECT_TRUE(waitUntil([&] { return !isStackWindowShown(); }, 3s));
}

// `paste-next` pastes into the window in front with keys of Quillbox's own,
// which the paste-key watcher must not take for the user's Ctrl+V.
TEST_F(PasteStackEndToEndTest, PasteNextPastesEachItemOnceIntoTheWindowInFront) {
    session.run({u"paste-stack"_s});
    ASSERT_TRUE(waitUntil([&] { return isStackWindowShown(); }, 5s));
    copyAll({u"red "_s, u"green "_s, u"blue"_s});
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(session.run({u"paste-next"_s}).exitCode, 0);
    EXPECT_TRUE(waitUntil([&] { return target.text() == u"red green blue"_s; }, 3s))
        << target.text().toStdString();
    EXPECT_TRUE(waitUntil([&] { return !isStackWindowShown(); }, 3s));
    serveFor(advanceSettle);
    EXPECT_EQ(target.text(), u"red green blue"_s);
}

} // namespace
} // namespace quillbox::testing
