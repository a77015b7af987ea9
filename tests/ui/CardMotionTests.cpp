// The cards' eased hover and selection changes: the motion clock itself, and
// the strip moving only the cards whose look changes.
#include "PanelRig.h"
#include "TestContent.h"
#include "X11TestEnvironment.h"
#include "core/PanelListModel.h"
#include "ui/CardMotion.h"
#include "ui/CardStripView.h"
#include "ui/PanelContentView.h"
#include "ui/PanelWindow.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace quillbox::testing {
namespace {

TEST(CardMotionTest, EasesToTheTargetAndTurnsBackFromWhereTheCardStands) {
    CardMotion motion;
    const QUuid card = QUuid::createUuid();
    const CardPose resting = CardPose::settled(false, false);
    const CardPose hovered = CardPose::settled(false, true);
    QList<qreal> lifts;
    QObject::connect(&motion, &CardMotion::moved, [&](const QList<QUuid>& ids) {
        if (ids.contains(card))
            lifts.append(motion.pose(card, hovered).lift);
    });
    motion.move(card, resting, hovered);
    EXPECT_TRUE(motion.isMoving(card));
    EXPECT_LT(motion.pose(card, hovered).lift, 0.5);
    ASSERT_TRUE(waitUntil([&] { return !motion.isMoving(card); }));
    ASSERT_GE(lifts.size(), 2);
    EXPECT_TRUE(std::is_sorted(lifts.cbegin(), lifts.cend()));
    EXPECT_EQ(lifts.last(), 1.0);
    EXPECT_EQ(motion.movingCount(), 0);

    // Turned back halfway, a card sets off from where it stands, not from
    // its far end.
    motion.move(card, hovered, resting);
    ASSERT_TRUE(waitUntil([&] { return motion.pose(card, resting).lift < 0.7; }));
    const qreal halfway = motion.pose(card, resting).lift;
    motion.move(card, resting, hovered);
    EXPECT_NEAR(motion.pose(card, hovered).lift, halfway, 0.1);
    EXPECT_TRUE(waitUntil([&] { return !motion.isMoving(card); }));
}

TEST(CardMotionTest, OnlyTheCardsThatChangeHandsMove) {
    QTemporaryDir folder;
    PanelRig rig(folder.path());
    QList<ClipboardItemPtr> items;
    for (int i = 0; i < 5; ++i)
        items.prepend(rig.store.record(textContent(u"card %1"_s.arg(i)), {}, {}));
    rig.state.showPanel();
    PanelWindow* window = rig.panel.window();
    ASSERT_TRUE(waitUntil([&] { return window->isVisible() && !window->isAnimating(); }));
    CardStripView* strip = rig.panel.content()->strip();
    const CardMotion& motion = strip->motion();
    ASSERT_TRUE(waitUntil([&] { return motion.movingCount() == 0; }));

    rig.state.send(PanelCommand::selectNext);
    EXPECT_EQ(motion.movingCount(), 2);
    EXPECT_TRUE(motion.isMoving(items[0]->id()));
    EXPECT_TRUE(motion.isMoving(items[1]->id()));
    ASSERT_TRUE(waitUntil([&] { return motion.movingCount() == 0; }));

    // The pointer from one card to the next.
    const auto pointAt = [&](int row) {
        const QRect card = strip->visualRect(rig.panel.content()->listModel()->index(row, 0));
        const QPoint point = strip->viewport()->mapToGlobal(card.center());
        xdotool({u"mousemove"_s, QString::number(point.x()), QString::number(point.y())});
    };
    pointAt(3);
    ASSERT_TRUE(waitUntil([&] { return motion.isMoving(items[3]->id()); }));
    ASSERT_TRUE(waitUntil([&] { return motion.movingCount() == 0; }));
    pointAt(2);
    ASSERT_TRUE(waitUntil([&] { return motion.isMoving(items[2]->id()); }));
    EXPECT_TRUE(motion.isMoving(items[3]->id()));
    EXPECT_EQ(motion.movingCount(), 2);
}

} // namespace
} // namespace quillbox::testing
