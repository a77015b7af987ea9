// Where the panel's resize grips lie and what a drag on them does to the
// frame, as the fallback for a window manager that refuses to resize.
#include "ui/WindowResizeGrips.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <vector>

namespace quillbox::testing {
namespace {

TEST(WindowResizeGripsTest, GripsLieInABandInsideTheRoundedOutline) {
    const QSizeF size(1100, 340);
    const qreal radius = 26;
    const struct {
        const char* name;
        QPointF point;
        Qt::Edges edges;
    } rows[] = {
        {"top", {550, 2}, Qt::TopEdge},
        {"bottom", {550, 337}, Qt::BottomEdge},
        {"left", {2, 170}, Qt::LeftEdge},
        {"right", {1097, 170}, Qt::RightEdge},
        {"bottom-right arc", {1089, 329}, Qt::RightEdge | Qt::BottomEdge},
        {"top-left arc", {10, 10}, Qt::LeftEdge | Qt::TopEdge},
        {"corner pixel, outside the shape", {1099, 339}, {}},
        {"inside the corner, off the arc", {1085, 325}, {}},
        {"right edge, just inside the band", {1094, 170}, Qt::RightEdge},
        {"right edge, just past the band", {1093, 170}, {}},
        {"the middle", {550, 170}, {}},
        {"outside the window", {-1, 5}, {}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(WindowResizeGrips::edgesAt(row.point, size, radius), row.edges) << row.name;
}

TEST(WindowResizeGripsTest, ADragMovesOnlyTheGrippedEdgesWithinTheLimits) {
    const QRect start(100, 100, 1100, 340);
    const QSize minimum(480, 200);
    const QSize maximum(QWIDGETSIZE_MAX, 600);
    const struct {
        const char* name;
        Qt::Edges edges;
        QPoint delta;
        QRect expected;
    } rows[] = {
        {"bottom-right", Qt::RightEdge | Qt::BottomEdge, {-300, 120}, {100, 100, 800, 460}},
        {"top-left", Qt::LeftEdge | Qt::TopEdge, {-50, -50}, {50, 50, 1150, 390}},
        {"left, past the minimum: the right edge stays",
         Qt::LeftEdge,
         {700, 0},
         {720, 100, 480, 340}},
        {"top, past the maximum: the bottom edge stays",
         Qt::TopEdge,
         {0, -500},
         {100, -160, 1100, 600}},
        {"bottom, past the minimum", Qt::BottomEdge, {0, -400}, {100, 100, 1100, 200}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(WindowResizeGrips::resizedFrame(start, row.edges, row.delta, minimum, maximum),
                  row.expected)
            << row.name;
}

} // namespace
} // namespace quillbox::testing
