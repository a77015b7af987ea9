#include "ui/EmptyStateView.h"

#include "ui/PanelGlyphs.h"
#include "ui/PanelTheme.h"

#include <QPainter>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {
constexpr int symbolSize = 40;
constexpr int rowSpacing = 12;
constexpr int titlePixelSize = 15;
constexpr int subtitlePixelSize = 12;
constexpr double tertiaryOpacity = 0.35;
} // namespace

EmptyStateView::EmptyStateView(QWidget* parent)
    : QWidget(parent) {
    setObjectName(u"emptyState"_s);
    setFiltering(false);
}

void EmptyStateView::setFiltering(bool isFiltering) {
    m_isFiltering = isFiltering;
    setAccessibleName(title());
    setAccessibleDescription(subtitle());
    update();
}

QString EmptyStateView::title() const {
    return m_isFiltering ? u"No matching items"_s : u"No clipboard history"_s;
}

QString EmptyStateView::subtitle() const {
    return m_isFiltering ? u"Try a different search, filter or pinboard"_s
                         : u"Copy something to get started"_s;
}

void EmptyStateView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QFont titleFont = font();
    titleFont.setPixelSize(titlePixelSize);
    titleFont.setBold(true);
    QFont subtitleFont = font();
    subtitleFont.setPixelSize(subtitlePixelSize);
    const QFontMetrics titleMetrics(titleFont);
    const QFontMetrics subtitleMetrics(subtitleFont);
    const int total =
        symbolSize + rowSpacing + titleMetrics.height() + rowSpacing + subtitleMetrics.height();
    qreal y = (height() - total) / 2.0;
    const QColor tertiary = PanelTheme::withAlpha(PanelTheme::hudText, tertiaryOpacity);
    drawPanelGlyph(painter, m_isFiltering ? PanelGlyph::magnifyingGlass : PanelGlyph::clipboard,
                   QRectF((width() - symbolSize) / 2.0, y, symbolSize, symbolSize), tertiary);
    y += symbolSize + rowSpacing;
    painter.setFont(titleFont);
    painter.setPen(PanelTheme::hudSoft);
    painter.drawText(QRectF(0, y, width(), titleMetrics.height()), Qt::AlignHCenter, title());
    y += titleMetrics.height() + rowSpacing;
    painter.setFont(subtitleFont);
    painter.setPen(tertiary);
    painter.drawText(QRectF(0, y, width(), subtitleMetrics.height()), Qt::AlignHCenter, subtitle());
}

} // namespace quillbox
