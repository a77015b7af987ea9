#include "ui/PanelIconButton.h"

#include "ui/PanelTheme.h"

#include <QPainter>

namespace quillbox {

namespace {
constexpr double hoverFillFactor = 1.8;
constexpr int glyphSize = 13;
} // namespace

PanelIconButton::PanelIconButton(PanelGlyph glyph, const QString& help, QWidget* parent)
    : QAbstractButton(parent)
    , m_glyph(glyph) {
    setToolTip(help);
    setAccessibleName(help);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(diameter, diameter);
}

void PanelIconButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = PanelTheme::field;
    if (m_isHovered)
        fill.setAlphaF(std::min(1.0f, fill.alphaF() * float(hoverFillFactor)));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    const QRectF glyphBox(QPointF(0, 0), QSizeF(glyphSize, glyphSize));
    drawPanelGlyph(painter, m_glyph, glyphBox.translated(rect().center() - glyphBox.center()),
                   m_isHovered ? PanelTheme::hudText : PanelTheme::hudSoft, PanelTheme::hud);
}

void PanelIconButton::enterEvent(QEnterEvent* event) {
    m_isHovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void PanelIconButton::leaveEvent(QEvent* event) {
    m_isHovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace quillbox
