#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

namespace quillbox::PasteStackStyle {

// The Paste Stack window's text sizes, in pixels at 96 dots per inch.
inline constexpr int title2Size = 20;
inline constexpr int title3Size = 17;
inline constexpr int headlineSize = 14;
inline constexpr int calloutSize = 13;
inline constexpr int captionSize = 11;
inline constexpr int caption2Size = 10;

// The application font at a pixel size and weight.
QFont font(int pixelSize, QFont::Weight weight = QFont::Normal);

// The panel's accent, the tick of a pasted item, the permission banner's orange.
QColor accent();
QColor pastedGreen();
QColor warningOrange();
// Text less prominent than the secondary kind.
QColor tertiaryText();

// The symbol of a kind of content (its raw category string; an unknown kind
// is drawn as text), centred in `rect`.
void drawKindSymbol(QPainter& painter, const QString& rawCategory, const QRectF& rect,
                    const QColor& color);

} // namespace quillbox::PasteStackStyle
