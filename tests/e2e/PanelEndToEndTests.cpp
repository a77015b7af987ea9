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

// The panel's size on the test display, from the window manager's side.
QSize activeWindowSize(const QuillboxSession& session) {
    const QByteArray shell =
        xdotool({u"getactivewindow"_s, u"getwindowgeometry"_s, u"--shell"_s}, session.environment())
            .standardOutput;
    QSize size;
    for (const QByteArray& line : shell.split('\n')) {
        if (line.startsWith("WIDTH="))
            size.setWidth(line.mid(6).toInt());
        else if (line.startsWith("HEIGHT="))
            size.setHeight(line.mid(7).toInt());
    }
    return size;
}

class PanelEndToEndTest : public ::testing::Test {
public:
    // Copies "card 0" to "card <count - 1>"; the strip then shows the last
    // one first.
    void copyCards(int count) {
        for (int i = 0; i < count; ++i) {
            session.copy("card " + QByteArray::number(i));
            ASSERT_TRUE(session.waitForItemCount(i + 1));
        }
    }
    void openPanel() {
        xdotool({u"key"_s, u"super+shift+v"_s}, session.environment());
        ASSERT_TRUE(waitUntil([&] { return session.activeWindowName() == u"Quillbox"_s; }, 5s));
        serveFor(400ms); // the panel grows into place
    }
    // xdotool words that put the pointer over the middle of a card of the
    // panel: the strip starts 20 pixels in, and its cards, 200 wide, stand
    // 12 apart.
    QStringList pointAtCard(int row) const {
        const QSize size = activeWindowSize(session);
        return {u"getactivewindow"_s,
                u"mousemove"_s,
                u"--window"_s,
                u"%1"_s,
                QString::number(20 + row * 212 + 100),
                QString::number(size.height() / 2)};
    }

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

    ASSERT_NO_FATAL_FAILURE(openPanel());
    xdotool({u"type"_s, u"--delay"_s, u"40"_s, u"apple"_s}, session.environment());
    serveFor(300ms);
    xdotool({u"key"_s, u"Return"_s}, session.environment());

    EXPECT_TRUE(waitUntil([&] { return target.text() == u"apple pie recipe"_s; }, 5s))
        << target.text().toStdString();
    EXPECT_NE(session.activeWindowName(), u"Quillbox"_s);
    // The paste moved the card to the front and recorded nothing new.
    EXPECT_EQ(session.items().size(), 2);
}

TEST_F(PanelEndToEndTest,
       ADoubleClickPastesTheCardItBeganOnAndARightClickedCardIsTheOneReturnPastes) {
    PasteTarget target(session);
    ASSERT_TRUE(target.start());
    ASSERT_TRUE(session.start());
    ASSERT_NO_FATAL_FAILURE(copyCards(8));

    // The first click centres the fourth card; the second lands on the
    // card that took its place under the pointer.
    ASSERT_NO_FATAL_FAILURE(openPanel());
    xdotool(pointAtCard(3) +
                QStringList{u"click"_s, u"--repeat"_s, u"2"_s, u"--delay"_s, u"120"_s, u"1"_s},
            session.environment());
    ASSERT_TRUE(waitUntil([&] { return target.text() == u"card 4"_s; }, 5s))
        << target.text().toStdString();
    EXPECT_NE(session.activeWindowName(), u"Quillbox"_s);

    // The paste put "card 4" first: the third card is now "card 6". Its
    // menu is dismissed, and Return pastes it, as the ring on it says.
    ASSERT_NO_FATAL_FAILURE(openPanel());
    xdotool(pointAtCard(2) + QStringList{u"click"_s, u"3"_s}, session.environment());
    serveFor(500ms);
    xdotool({u"key"_s, u"Escape"_s}, session.environment());
    serveFor(300ms);
    ASSERT_EQ(session.activeWindowName(), u"Quillbox"_s);
    xdotool({u"key"_s, u"Return"_s}, session.environment());
    EXPECT_TRUE(waitUntil([&] { return target.text() == u"card 4card 6"_s; }, 5s))
        << target.text().toStdString();
}

} // namespace
} // namespace quillbox::testing
