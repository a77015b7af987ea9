#include "ui/PanelGlyphs.h"

#include <QPainter>
#include <QPainterPath>

namespace quillbox {

QPen glyphPen(const QColor& color, qreal width) {
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

QRectF glyphSquare(const QRectF& box) {
    const qreal side = std::min(box.width(), box.height());
    return QRectF(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
}

void drawPanelGlyph(QPainter& painter, PanelGlyph glyph, const QRectF& box, const QColor& color,
                    const QColor& cutout) {
    const QRectF r = glyphSquare(box);
    const qreal s = r.width();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    switch (glyph) {
    case PanelGlyph::magnifyingGlass: {
        painter.setPen(glyphPen(color, s * 0.13));
        const QRectF lens(r.left() + s * 0.08, r.top() + s * 0.08, s * 0.6, s * 0.6);
        painter.drawEllipse(lens);
        painter.drawLine(QPointF(r.left() + s * 0.6, r.top() + s * 0.6),
                         QPointF(r.right() - s * 0.08, r.bottom() - s * 0.08));
        break;
    }
    case PanelGlyph::xmark: {
        painter.setPen(glyphPen(color, s * 0.14));
        const QRectF x = r.adjusted(s * 0.2, s * 0.2, -s * 0.2, -s * 0.2);
        painter.drawLine(x.topLeft(), x.bottomRight());
        painter.drawLine(x.topRight(), x.bottomLeft());
        break;
    }
    case PanelGlyph::xmarkCircle: {
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(r);
        painter.setPen(glyphPen(cutout, s * 0.12));
        const QRectF x = r.adjusted(s * 0.32, s * 0.32, -s * 0.32, -s * 0.32);
        painter.drawLine(x.topLeft(), x.bottomRight());
        painter.drawLine(x.topRight(), x.bottomLeft());
        break;
    }
    case PanelGlyph::eyedropper: {
        // A pipette lying from the lower left to the upper right.
        painter.setPen(glyphPen(color, s * 0.12));
        painter.drawLine(QPointF(r.left() + s * 0.15, r.bottom() - s * 0.15),
                         QPointF(r.left() + s * 0.62, r.top() + s * 0.38));
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.save();
        painter.translate(r.left() + s * 0.7, r.top() + s * 0.3);
        painter.rotate(45);
        painter.drawRoundedRect(QRectF(-s * 0.12, -s * 0.22, s * 0.24, s * 0.36), s * 0.08,
                                s * 0.08);
        painter.restore();
        painter.setPen(glyphPen(color, s * 0.1));
        painter.drawLine(QPointF(r.left() + s * 0.5, r.top() + s * 0.28),
                         QPointF(r.left() + s * 0.72, r.top() + s * 0.5));
        break;
    }
    case PanelGlyph::pauseCircle: {
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(r);
        painter.setBrush(cutout);
        painter.drawRect(QRectF(r.left() + s * 0.33, r.top() + s * 0.28, s * 0.11, s * 0.44));
        painter.drawRect(QRectF(r.left() + s * 0.56, r.top() + s * 0.28, s * 0.11, s * 0.44));
        break;
    }
    case PanelGlyph::clipboard: {
        painter.setPen(glyphPen(color, s * 0.06));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(r.left() + s * 0.18, r.top() + s * 0.12, s * 0.64, s * 0.8),
                                s * 0.08, s * 0.08);
        painter.setBrush(color);
        painter.drawRoundedRect(QRectF(r.left() + s * 0.36, r.top() + s * 0.05, s * 0.28, s * 0.14),
                                s * 0.04, s * 0.04);
        painter.setBrush(Qt::NoBrush);
        for (int line = 0; line < 3; ++line) {
            const qreal y = r.top() + s * (0.4 + 0.15 * line);
            painter.drawLine(QPointF(r.left() + s * 0.32, y), QPointF(r.right() - s * 0.32, y));
        }
        break;
    }
    case PanelGlyph::trash: {
        // A bin with a lid and a handle, two grooves down its front.
        painter.setPen(glyphPen(color, s * 0.09));
        painter.setBrush(Qt::NoBrush);
        painter.drawLine(QPointF(r.left() + s * 0.14, r.top() + s * 0.24),
                         QPointF(r.right() - s * 0.14, r.top() + s * 0.24));
        painter.drawLine(QPointF(r.left() + s * 0.4, r.top() + s * 0.12),
                         QPointF(r.right() - s * 0.4, r.top() + s * 0.12));
        QPainterPath bin;
        bin.moveTo(r.left() + s * 0.24, r.top() + s * 0.3);
        bin.lineTo(r.left() + s * 0.3, r.bottom() - s * 0.1);
        bin.lineTo(r.right() - s * 0.3, r.bottom() - s * 0.1);
        bin.lineTo(r.right() - s * 0.24, r.top() + s * 0.3);
        painter.drawPath(bin);
        painter.setPen(glyphPen(color, s * 0.07));
        for (const qreal x : {0.43, 0.57})
            painter.drawLine(QPointF(r.left() + s * x, r.top() + s * 0.42),
                             QPointF(r.left() + s * x, r.bottom() - s * 0.24));
        break;
    }
    }
    painter.restore();
}

} // namespace quillbox
