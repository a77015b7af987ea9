// The history panel with real widgets on the test display and a real store
// file: the panel's keys, the filters, rows arriving while it is open, focus
// and the remembered size.
#include "PanelRig.h"
#include "TestContent.h"
#include "X11TestEnvironment.h"
#include "core/PanelListModel.h"
#include "ui/CardStripView.h"
#include "ui/EmptyStateView.h"
#include "ui/PanelContentView.h"
#include "ui/PanelFooterView.h"
#include "ui/PanelWindow.h"
#include "ui/SearchBarView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace quillbox::testing {
namespace {

class PanelTest : public ::testing::Test {
public:
    ClipboardItemPtr copy(const QString& text) {
        return store.record(textContent(text), std::nullopt, std::nullopt);
    }
    void open() {
        state.showPanel();
        ASSERT_TRUE(waitUntil([&] { return panel.window()->isActiveWindow(); }));
        ASSERT_TRUE(waitUntil([&] { return !panel.window()->isAnimating(); }));
    }
    QLineEdit* field() const { return panel.content()->searchBar()->field(); }
    int rows() const { return panel.content()->listModel()->rowCount(); }
    // The card the strip shows selected.
    QUuid selectedID() const {
        const QModelIndexList selected =
            panel.content()->strip()->selectionModel()->selectedIndexes();
        return selected.size() == 1 ? selected.first().data(PanelListModel::IdRole).toUuid()
                                    : QUuid();
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
    }

    QTemporaryDir folder;
    PanelRig rig{folder.path()};
    HistoryStore& store = rig.store;
    AppState& state = rig.state;
    HistoryPanel& panel = rig.panel;
};

TEST_F(PanelTest, TheKeyTableDrivesThePanelAndEverythingElseReachesTheSearchField) {
    const auto oldest = copy(u"oldest"_s);
    const auto middle = copy(u"middle"_s);
    const auto newest = copy(u"newest"_s);
    open();
    ASSERT_EQ(QApplication::focusWidget(), field());
    EXPECT_EQ(selectedID(), newest->id());

    key(Qt::Key_Right);
    EXPECT_EQ(state.selectedCardID(), middle->id());
    EXPECT_EQ(selectedID(), middle->id());

    // Typed letters, Shift+arrows and Backspace belong to the field.
    key(Qt::Key_T);
    key(Qt::Key_E);
    EXPECT_EQ(field()->text(), u"te"_s);
    EXPECT_EQ(state.searchQuery(), u"te"_s);
    key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(field()->selectedText(), u"e"_s);
    key(Qt::Key_Backspace);
    EXPECT_EQ(state.searchQuery(), u"t"_s);
    EXPECT_EQ(store.itemCount(), 3);

    // Ctrl+T pauses and shows "Paused"; again resumes. Plain T was typed above.
    QWidget* paused = panel.window()->findChild<QWidget*>(u"pausedLabel"_s);
    ASSERT_NE(paused, nullptr);
    EXPECT_FALSE(paused->isVisible());
    key(Qt::Key_T, Qt::ControlModifier);
    EXPECT_TRUE(state.isMonitoringPaused());
    EXPECT_TRUE(paused->isVisible());
    EXPECT_EQ(state.searchQuery(), u"t"_s);
    key(Qt::Key_T, Qt::ControlModifier);
    EXPECT_FALSE(state.isMonitoringPaused());
    EXPECT_FALSE(paused->isVisible());

    // Ctrl+Backspace deletes the selected card, not a word of the search.
    state.setSearchQuery(QString());
    state.setSelectedCardID(middle->id());
    key(Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(store.itemCount(), 2);
    EXPECT_FALSE(store.itemWithID(middle->id()));
    EXPECT_EQ(state.selectedCardID(), oldest->id());

    // A key meant for another window of the application passes on.
    QLineEdit other; // not shown: the panel keeps the focus
    QTest::keyClick(&other, Qt::Key_Escape);
    QTest::keyClick(&other, Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(store.itemCount(), 2);
    EXPECT_TRUE(state.isPanelVisible());

    QTest::keyClick(field(), Qt::Key_Escape);
    EXPECT_FALSE(state.isPanelVisible());
    EXPECT_TRUE(waitUntil([&] { return !panel.window()->isVisible(); }));
}

TEST_F(PanelTest, SearchChipsAndTabsNarrowTheCardsAndAnEmptyResultSaysSo) {
    copy(u"alpha report"_s);
    const auto url =
        store.record(urlContent(u"https://example.org/alpha"_s), std::nullopt, std::nullopt);
    store.record(colorContent(u"#336699"_s), std::nullopt, std::nullopt);
    const auto board = store.createPinboard(u"Work"_s, u"#FF8800"_s, 0);
    store.add(url, board);
    open();
    EXPECT_EQ(rows(), 3);

    QTest::keyClicks(field(), u"alpha"_s);
    EXPECT_EQ(rows(), 2);
    auto* urlChip = panel.window()->findChild<QAbstractButton*>(u"chip_url"_s);
    ASSERT_NE(urlChip, nullptr);
    QTest::mouseClick(urlChip, Qt::LeftButton);
    EXPECT_EQ(rows(), 1);
    QTest::mouseClick(urlChip, Qt::LeftButton); // again: back to all kinds
    EXPECT_FALSE(state.selectedCategory());

    state.setSearchQuery(QString());
    auto* tab = panel.window()->findChild<QAbstractButton*>(
        u"tab_"_s + board->id().toString(QUuid::WithoutBraces));
    ASSERT_NE(tab, nullptr);
    QTest::mouseClick(tab, Qt::LeftButton);
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(selectedID(), url->id());

    QTest::keyClicks(field(), u"nothing like it"_s);
    EXPECT_EQ(rows(), 0);
    EXPECT_TRUE(panel.content()->emptyState()->isVisible());
    EXPECT_EQ(panel.content()->emptyState()->title(), u"No matching items"_s);
}

TEST_F(PanelTest, ACopyWhileThePanelIsOpenAddsOneCardAndKeepsTheScrollAndSelection) {
    QList<ClipboardItemPtr> items;
    for (int i = 0; i < 40; ++i)
        items.append(copy(u"item %1"_s.arg(i)));
    open();
    CardStripView* strip = panel.content()->strip();
    const QUuid chosen = items[20]->id();
    state.setSelectedCardID(chosen);
    ASSERT_TRUE(waitUntil([&] { return strip->horizontalScrollBar()->value() > 0; }));
    QTest::qWait(300); // the centring animation ends
    const int scrolled = strip->horizontalScrollBar()->value();

    QSignalSpy resets(panel.content()->listModel(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(panel.content()->listModel(), &QAbstractItemModel::rowsInserted);
    copy(u"a new copy"_s);
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(inserts.count(), 1);
    EXPECT_EQ(rows(), 41);
    EXPECT_EQ(selectedID(), chosen);
    // The strip keeps showing what it showed: one card further on.
    EXPECT_GE(strip->horizontalScrollBar()->value(), scrolled);
}

TEST_F(PanelTest, LosingTheFocusHidesThePanelAndReopeningKeepsTheUsersSize) {
    copy(u"something"_s);
    open();
    panel.window()->resize(700, 500);
    ASSERT_TRUE(waitUntil([&] { return panel.window()->size() == QSize(700, 500); }));

    QLineEdit other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(waitUntil([&] { return !state.isPanelVisible(); }));
    EXPECT_TRUE(waitUntil([&] { return !panel.window()->isVisible(); }));
    EXPECT_EQ(rig.preferences.value(AppConstants::Keys::panelWidth).toDouble(), 700);
    EXPECT_EQ(rig.preferences.value(AppConstants::Keys::panelHeight).toDouble(), 500);

    open();
    EXPECT_EQ(panel.window()->size(), QSize(700, 500));
    EXPECT_TRUE(state.searchQuery().isEmpty());
}

TEST_F(PanelTest, ARightClickedCardIsTheSelectedOneForTheFooterAndTheKeys) {
    const auto oldest = copy(u"oldest"_s);
    const auto middle = copy(u"middle"_s);
    copy(u"newest"_s);
    open();
    CardStripView* strip = panel.content()->strip();
    const QRect card = strip->visualRect(panel.content()->listModel()->index(2, 0));
    const QPoint point = strip->viewport()->mapToGlobal(card.center());
    xdotool({u"mousemove"_s, QString::number(point.x()), QString::number(point.y()), u"click"_s,
             u"3"_s});
    ASSERT_TRUE(waitUntil([] { return QApplication::activePopupWidget() != nullptr; }));
    xdotool({u"key"_s, u"Escape"_s});
    ASSERT_TRUE(waitUntil([] { return QApplication::activePopupWidget() == nullptr; }));

    // The ring, the footer and the state name the same card.
    EXPECT_EQ(selectedID(), oldest->id());
    ASSERT_TRUE(panel.content()->footer()->item());
    EXPECT_EQ(panel.content()->footer()->item()->id(), oldest->id());
    EXPECT_EQ(state.selectedCardID(), oldest->id());
    // And the keys act on it: Ctrl+Backspace deletes it.
    key(Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_FALSE(store.itemWithID(oldest->id()));
    EXPECT_EQ(selectedID(), middle->id());
}

// The session's notice sits in the footer beside the item's texts, in
// full in the tooltip and the accessible name, until it is taken back.
TEST_F(PanelTest, TheSessionNoticeShowsInTheFooterUntilItIsTakenBack) {
    copy(u"an item"_s);
    state.setSessionNotice(u"Copies in GNOME apps are not seen: run this"_s);
    open();
    PanelFooterView* footer = panel.content()->footer();
    EXPECT_EQ(footer->notice(), u"Copies in GNOME apps are not seen: run this"_s);
    EXPECT_EQ(footer->toolTip(), footer->notice());
    EXPECT_TRUE(footer->accessibleName().startsWith(footer->texts().join(u", "_s)));
    EXPECT_TRUE(footer->accessibleName().endsWith(footer->notice()));
    // Painted at the right end, in the accent colour, clear of the texts.
    const auto accentColumns = [](const QImage& image, int from, int to) {
        int count = 0;
        for (int x = from; x < to; ++x) {
            for (int y = 0; y < image.height(); ++y) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 200 && c.green() > 150 && c.blue() < 150) {
                    ++count;
                    break;
                }
            }
        }
        return count;
    };
    const QImage image = footer->grab().toImage();
    EXPECT_GT(accentColumns(image, image.width() / 2, image.width()), 0);
    EXPECT_EQ(accentColumns(image, 0, image.width() / 4), 0);

    state.setSessionNotice(QString());
    EXPECT_TRUE(footer->notice().isEmpty());
    const QImage without = footer->grab().toImage();
    EXPECT_EQ(accentColumns(without, 0, without.width()), 0);
}

TEST_F(PanelTest, TheEdgesAndCornersInsideTheRoundedShapeResizeThePanelWithinItsLimits) {
    copy(u"something"_s);
    open();
    PanelWindow* window = panel.window();
    // The window manager may still be applying the last frame of the show.
    ASSERT_TRUE(waitUntil([&] { return window->size() == QSize(1100, 340); }));
    const auto moveTo = [&](QPoint local) {
        const QPoint point = window->mapToGlobal(local);
        xdotool({u"mousemove"_s, QString::number(point.x()), QString::number(point.y())});
    };
    struct Row {
        const char* name;
        QPoint (*grip)(QSize size);
        QPoint drag;
        Qt::CursorShape cursor;
        QSize expected;
    };
    const std::vector<Row> rows{
        // 10 pixels in along the diagonal: inside the rounded corner.
        {"bottom-right corner",
         [](QSize s) { return QPoint(s.width() - 11, s.height() - 11); },
         {-300, 120},
         Qt::SizeFDiagCursor,
         {800, 460}},
        {"right edge, down to the minimum width",
         [](QSize s) { return QPoint(s.width() - 3, s.height() / 2); },
         {-600, 0},
         Qt::SizeHorCursor,
         {480, 460}},
        {"top edge, up to the maximum height",
         [](QSize s) { return QPoint(s.width() / 2, 2); },
         {0, -300},
         Qt::SizeVerCursor,
         {480, 600}},
    };
    for (const Row& row : rows) {
        const QPoint grip = row.grip(window->size());
        // The window may still be taking the size of the previous drag: the
        // pointer is nudged until its motion lands on the settled grip.
        int nudge = 0;
        EXPECT_TRUE(waitUntil([&] {
            moveTo(grip + QPoint(nudge ^= 1, 0));
            return window->cursor().shape() == row.cursor;
        })) << row.name
            << ": the cursor is " << window->cursor().shape();
        moveTo(grip);
        xdotool({u"mousedown"_s, u"1"_s});
        serveFor(200ms);
        moveTo(grip + row.drag);
        serveFor(200ms);
        xdotool({u"mouseup"_s, u"1"_s});
        EXPECT_TRUE(waitUntil([&] { return window->size() == row.expected; }))
            << row.name << ": " << window->width() << "x" << window->height();
        EXPECT_TRUE(state.isPanelVisible()) << row.name;
    }

    // Away from the edges, the cursor is the content's again.
    moveTo(QPoint(window->width() / 2, window->height() / 2));
    EXPECT_TRUE(waitUntil([&] { return window->cursor().shape() == Qt::ArrowCursor; }));
    state.setPanelVisible(false);
    ASSERT_TRUE(waitUntil([&] { return !window->isVisible(); }));
    EXPECT_EQ(rig.preferences.value(AppConstants::Keys::panelWidth).toDouble(), 480);
    EXPECT_EQ(rig.preferences.value(AppConstants::Keys::panelHeight).toDouble(), 600);
}

TEST(PanelWindowSizeTest, KeepsTheLimitsAndTheMarginOnEveryScreen) {
    QTemporaryDir folder;
    Preferences preferences(folder.filePath(u"p.conf"_s));
    struct Row {
        double width, height;
        QRect available;
        QSize expected;
    };
    const QRect fullHD(0, 25, 1920, 1055);
    const std::vector<Row> rows{
        {0, 0, fullHD, {1100, 340}},                 // nothing stored
        {700, 500, fullHD, {700, 500}},              // the user's size
        {1100, 900, fullHD, {1100, 600}},            // no taller than 600
        {100, 50, fullHD, {480, 200}},               // no smaller than the minimum
        {1100, 900, {0, 0, 1280, 600}, {1100, 480}}, // 60 points of margin
        {1100, 340, {0, 0, 500, 300}, {380, 180}},   // the margin wins over the minimum
    };
    for (const Row& row : rows) {
        preferences.setValue(AppConstants::Keys::panelWidth, row.width);
        preferences.setValue(AppConstants::Keys::panelHeight, row.height);
        EXPECT_EQ(PanelWindow::savedSize(preferences, row.available), row.expected)
            << row.width << "x" << row.height;
    }
    preferences.remove(AppConstants::Keys::panelWidth);
    preferences.remove(AppConstants::Keys::panelHeight);
    EXPECT_EQ(PanelWindow::targetFrame(preferences, fullHD), QRect(410, 383, 1100, 340));
}

} // namespace
} // namespace quillbox::testing
