#include "ui/PasteStackStyle.h"

#include "content/ContentCategory.h"
#include "ui/CardSymbols.h"
#include "ui/PanelTheme.h"
#include "ui/PasteStackGlyphs.h"

#include <QApplication>

namespace quillbox::PasteStackStyle {

namespace {
constexpr double tertiaryOpacity = 0.35;
} // namespace

QFont font(int pixelSize, QFont::Weight weight) {
    QFont result = QApplication::font();
    result.setStyleHint(QFont::SansSerif);
    result.setPixelSize(pixelSize);
    result.setWeight(weight);
    return result;
}

QColor accent() {
    return PanelTheme::marigold;
}

QColor pastedGreen() {
    return PanelTheme::rgb(0.204, 0.78, 0.349);
}

QColor warningOrange() {
    return PanelTheme::rgb(1.0, 0.584, 0.0);
}

QColor tertiaryText() {
    return PanelTheme::withAlpha(PanelTheme::hudText, tertiaryOpacity);
}

void drawKindSymbol(QPainter& painter, const QString& rawCategory, const QRectF& rect,
                    const QColor& color) {
    switch (contentCategoryFromRaw(rawCategory).value_or(ContentCategory::text)) {
    case ContentCategory::image:
        CardSymbols::draw(painter, CardSymbols::Symbol::photo, rect, color);
        return;
    case ContentCategory::url:
        drawStackGlyph(painter, StackGlyph::link, rect, color);
        return;
    case ContentCategory::color:
        drawStackGlyph(painter, StackGlyph::palette, rect, color, PanelTheme::hud);
        return;
    case ContentCategory::code:
        drawStackGlyph(painter, StackGlyph::code, rect, color);
        return;
    case ContentCategory::text:
    case ContentCategory::richText:
    case ContentCategory::file:
        CardSymbols::draw(painter, CardSymbols::Symbol::document, rect, color);
        return;
    }
}

} // namespace quillbox::PasteStackStyle
