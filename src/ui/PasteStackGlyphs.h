#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

namespace quillbox {

// The Paste Stack window's own symbols, drawn here like the panel's
// (PanelGlyphs), so they look the same with any icon theme or none.
enum class StackGlyph {
    stack,           // three stacked sheets: the window's title
    checkmarkCircle, // an item already pasted
    warningTriangle, // the permission banner
    documents,       // two sheets: the empty stack
    link,            // an address
    palette,         // a colour
    code,            // angle brackets and a slash
};

// `cutout` fills what the filled glyphs leave open: the colour behind them.
void drawStackGlyph(QPainter& painter, StackGlyph glyph, const QRectF& box, const QColor& color,
                    const QColor& cutout = Qt::transparent);

} // namespace quillbox
