#pragma once

#include <QColor>
#include <QPen>
#include <QRectF>

class QPainter;

namespace quillbox {

// The few symbols the panel draws itself, so they look the same with any
// icon theme or none (bare X servers have none).
enum class PanelGlyph {
    magnifyingGlass,
    xmark,
    xmarkCircle,
    eyedropper,
    pauseCircle,
    clipboard,
    trash,
};

// What every drawn symbol is made of: a round-capped line, and the largest
// square centred in a box (symbols are drawn in units of its side).
QPen glyphPen(const QColor& color, qreal width);
QRectF glyphSquare(const QRectF& box);

// `cutout` fills what the filled glyphs (the circled ones) leave open: the
// colour behind them.
void drawPanelGlyph(QPainter& painter, PanelGlyph glyph, const QRectF& box, const QColor& color,
                    const QColor& cutout = Qt::transparent);

} // namespace quillbox
