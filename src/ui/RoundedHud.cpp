#include "ui/RoundedHud.h"

#include "ports/WindowHints.h"
#include "ui/PanelTheme.h"

#include <QPainter>
#include <QPainterPath>
#include <QWidget>

namespace quillbox {

RoundedHud::RoundedHud(QWidget& window, qreal cornerRadius, const WindowHints* hints)
    : m_window(window)
    , m_radius(cornerRadius)
    , m_isTranslucent(hints && hints->isCompositing()) {
    m_window.setAttribute(Qt::WA_TranslucentBackground, m_isTranslucent);
}

void RoundedHud::paint() const {
    QPainter painter(&m_window);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!m_isTranslucent) {
        painter.fillRect(m_window.rect(), PanelTheme::hud);
        return;
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(PanelTheme::hud);
    painter.drawRoundedRect(QRectF(m_window.rect()), m_radius, m_radius);
}

void RoundedHud::updateShape() const {
    if (m_isTranslucent)
        return;
    QPainterPath path;
    path.addRoundedRect(QRectF(m_window.rect()), m_radius, m_radius);
    m_window.setMask(QRegion(path.toFillPolygon().toPolygon()));
}

} // namespace quillbox
