#pragma once

#include <QColor>
#include <QIcon>
#include <QRectF>
#include <QString>
#include <optional>

class QPainter;

namespace quillbox {

// The small symbols of the cards ("pin.fill", "photo", "doc.fill",
// "app.fill"): the icon theme's monochrome ("-symbolic") icon tinted in the
// wanted colour when the theme has one, else a glyph drawn here, so a desktop
// without an icon theme still shows them.
class CardSymbols {
public:
    enum class Symbol { pin, photo, document, app };

    // The theme icon names tried for a symbol, best first.
    static QStringList themeNames(Symbol symbol);
    // Draws the symbol, as large as fits, centred in `rect`.
    static void draw(QPainter& painter, Symbol symbol, const QRectF& rect, const QColor& color);
    // Draws the glyph of this file, without the theme.
    static void drawGlyph(QPainter& painter, Symbol symbol, const QRectF& rect,
                          const QColor& color);

    // An application's icon scaled to `rect`, else (none, or a null one) the
    // "app.fill" symbol in `secondary`.
    static void drawAppIcon(QPainter& painter, const std::optional<QIcon>& icon, const QRectF& rect,
                            const QColor& secondary);

private:
    static QIcon themeIcon(Symbol symbol);
};

} // namespace quillbox
