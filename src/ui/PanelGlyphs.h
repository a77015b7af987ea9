#pragma once

#include <QColor>
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
};

// `cutout` fills what the filled glyphs (the circled ones) leave open: the
// colour behind them.
void drawPanelGlyph(QPainter& painter, PanelGlyph glyph, const QRectF& box, const QColor& color,
                    const QColor& cutout = Qt::transparent);

} // namespace quillbox
