#include "ui/settings/SettingsTabIcons.h"

#include "ui/CardSymbols.h"
#include "ui/PanelGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

namespace quillbox {

namespace {

// Pixel sizes the icon is drawn at, for tab bars at any scale.
constexpr int iconSizes[] = {16, 20, 24, 32, 48};
// Line weight, in units of the symbol's side.
constexpr qreal stroke = 0.085;

void drawGear(QPainter& painter, const QRectF& r, const QColor& color) {
    const qreal s = r.width();
    const QPointF centre = r.center();
    constexpr int teeth = 8;
    QPainterPath outline;
    for (int i = 0; i < teeth * 2; ++i) {
        // Alternating tooth tops and roots, each spanning part of its sector.
        const bool top = i % 2 == 0;
        const qreal radius = s * (top ? 0.46 : 0.36);
        const qreal half = M_PI / teeth * (top ? 0.42 : 0.58);
        const qreal middle = i * M_PI / teeth;
        for (const qreal angle : {middle - half, middle + half}) {
            const QPointF point(centre.x() + radius * qCos(angle),
                                centre.y() + radius * qSin(angle));
            if (outline.elementCount() == 0)
                outline.moveTo(point);
            else
                outline.lineTo(point);
        }
    }
    outline.closeSubpath();
    outline.addEllipse(centre, s * 0.14, s * 0.14);
    outline.setFillRule(Qt::OddEvenFill);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPath(outline);
}

void drawKeyboard(QPainter& painter, const QRectF& r, const QColor& color) {
    const qreal s = r.width();
    painter.setPen(glyphPen(color, s * stroke));
    painter.setBrush(Qt::NoBrush);
    const QRectF body(r.left() + s * 0.05, r.top() + s * 0.22, s * 0.9, s * 0.56);
    painter.drawRoundedRect(body, s * 0.1, s * 0.1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    const qreal key = s * 0.09;
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 5; ++column) {
            const QPointF centre(body.left() + s * (0.15 + 0.15 * column),
                                 body.top() + s * (0.15 + 0.13 * row));
            painter.drawRect(QRectF(centre.x() - key / 2, centre.y() - key / 2, key, key));
        }
    }
    painter.drawRoundedRect(QRectF(body.left() + s * 0.25, body.bottom() - s * 0.17, s * 0.4, key),
                            key / 3, key / 3);
}

void drawChecklist(QPainter& painter, const QRectF& r, const QColor& color) {
    const qreal s = r.width();
    painter.setPen(glyphPen(color, s * stroke));
    painter.setBrush(Qt::NoBrush);
    for (int line = 0; line < 3; ++line) {
        const qreal y = r.top() + s * (0.2 + 0.3 * line);
        // A tick before each line.
        QPainterPath tick;
        tick.moveTo(r.left() + s * 0.06, y);
        tick.lineTo(r.left() + s * 0.14, y + s * 0.08);
        tick.lineTo(r.left() + s * 0.28, y - s * 0.08);
        painter.drawPath(tick);
        painter.drawLine(QPointF(r.left() + s * 0.42, y), QPointF(r.right() - s * 0.05, y));
    }
}

void drawInfo(QPainter& painter, const QRectF& r, const QColor& color) {
    const qreal s = r.width();
    painter.setPen(glyphPen(color, s * stroke));
    painter.setBrush(Qt::NoBrush);
    const qreal inset = s * (0.04 + stroke / 2);
    painter.drawEllipse(r.adjusted(inset, inset, -inset, -inset));
    painter.setPen(glyphPen(color, s * stroke * 1.1));
    painter.drawLine(QPointF(r.center().x(), r.top() + s * 0.44),
                     QPointF(r.center().x(), r.top() + s * 0.72));
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QPointF(r.center().x(), r.top() + s * 0.29), s * 0.06, s * 0.06);
}

QPixmap render(SettingsTabIcons::Tab tab, int size, const QColor& color) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    SettingsTabIcons::draw(painter, tab, QRectF(0, 0, size, size), color);
    return pixmap;
}

} // namespace

QIcon SettingsTabIcons::icon(Tab tab, const QColor& color, const QColor& selectedColor) {
    QIcon icon;
    for (const int size : iconSizes) {
        icon.addPixmap(render(tab, size, color), QIcon::Normal, QIcon::Off);
        icon.addPixmap(render(tab, size, selectedColor), QIcon::Normal, QIcon::On);
        QColor disabled = color;
        disabled.setAlphaF(color.alphaF() * 0.4f);
        icon.addPixmap(render(tab, size, disabled), QIcon::Disabled, QIcon::Off);
    }
    return icon;
}

void SettingsTabIcons::draw(QPainter& painter, Tab tab, const QRectF& box, const QColor& color) {
    const QRectF r = glyphSquare(box);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    switch (tab) {
    case Tab::general:
        drawGear(painter, r, color);
        break;
    case Tab::shortcuts:
        drawKeyboard(painter, r, color);
        break;
    case Tab::rules:
        drawChecklist(painter, r, color);
        break;
    case Tab::pinboards:
        CardSymbols::drawGlyph(painter, CardSymbols::Symbol::pin, r, color);
        break;
    case Tab::about:
        drawInfo(painter, r, color);
        break;
    }
    painter.restore();
}

} // namespace quillbox
