#include "ui/PasteStackGlyphs.h"

#include "ui/PanelGlyphs.h"

#include <QPainter>
#include <QPainterPath>

namespace quillbox {

void drawStackGlyph(QPainter& painter, StackGlyph glyph, const QRectF& box, const QColor& color,
                    const QColor& cutout) {
    const QRectF r = glyphSquare(box);
    const qreal s = r.width();
    const auto at = [&](qreal x, qreal y) { return QPointF(r.left() + s * x, r.top() + s * y); };
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    switch (glyph) {
    case StackGlyph::stack: {
        // Three sheets seen at a slant, the top one filled.
        painter.setBrush(Qt::NoBrush);
        painter.setPen(glyphPen(color, s * 0.08));
        for (const qreal y : {0.62, 0.76}) {
            QPolygonF edge;
            edge << at(0.1, y) << at(0.5, y + 0.18) << at(0.9, y);
            painter.drawPolyline(edge);
        }
        QPolygonF top;
        top << at(0.5, 0.12) << at(0.92, 0.34) << at(0.5, 0.56) << at(0.08, 0.34);
        painter.setPen(glyphPen(color, s * 0.06));
        painter.setBrush(color);
        painter.drawPolygon(top);
        break;
    }
    case StackGlyph::checkmarkCircle: {
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(r);
        painter.setPen(glyphPen(cutout, s * 0.12));
        QPolygonF tick;
        tick << at(0.28, 0.52) << at(0.44, 0.68) << at(0.73, 0.35);
        painter.drawPolyline(tick);
        break;
    }
    case StackGlyph::warningTriangle: {
        QPolygonF triangle;
        triangle << at(0.5, 0.06) << at(0.96, 0.9) << at(0.04, 0.9);
        painter.setPen(glyphPen(color, s * 0.08));
        painter.setBrush(color);
        painter.drawPolygon(triangle);
        painter.setPen(glyphPen(cutout, s * 0.1));
        painter.drawLine(at(0.5, 0.38), at(0.5, 0.6));
        painter.drawPoint(at(0.5, 0.76));
        break;
    }
    case StackGlyph::documents: {
        painter.setPen(glyphPen(color, s * 0.06));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(at(0.3, 0.06), QSizeF(s * 0.52, s * 0.66)), s * 0.06,
                                s * 0.06);
        painter.setBrush(cutout);
        painter.drawRoundedRect(QRectF(at(0.16, 0.26), QSizeF(s * 0.52, s * 0.66)), s * 0.06,
                                s * 0.06);
        for (int line = 0; line < 3; ++line) {
            const qreal y = 0.46 + 0.13 * line;
            painter.drawLine(at(0.28, y), at(0.56, y));
        }
        break;
    }
    case StackGlyph::link: {
        // Two chain links at 45 degrees.
        painter.setPen(glyphPen(color, s * 0.11));
        painter.setBrush(Qt::NoBrush);
        painter.translate(r.center());
        painter.rotate(-45);
        const QSizeF link(s * 0.5, s * 0.28);
        painter.drawRoundedRect(QRectF(QPointF(-s * 0.44, -link.height() / 2), link), s * 0.14,
                                s * 0.14);
        painter.drawRoundedRect(QRectF(QPointF(-s * 0.06, -link.height() / 2), link), s * 0.14,
                                s * 0.14);
        break;
    }
    case StackGlyph::palette: {
        QPainterPath shape;
        shape.addEllipse(r.adjusted(s * 0.04, s * 0.08, -s * 0.04, -s * 0.04));
        QPainterPath notch;
        notch.addEllipse(QRectF(at(0.58, 0.58), QSizeF(s * 0.3, s * 0.3)));
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawPath(shape.subtracted(notch));
        painter.setBrush(cutout);
        for (const QPointF& dot : {at(0.3, 0.36), at(0.5, 0.24), at(0.7, 0.36), at(0.28, 0.6)})
            painter.drawEllipse(dot, s * 0.07, s * 0.07);
        break;
    }
    case StackGlyph::code: {
        painter.setPen(glyphPen(color, s * 0.1));
        painter.setBrush(Qt::NoBrush);
        QPolygonF left;
        left << at(0.3, 0.26) << at(0.08, 0.5) << at(0.3, 0.74);
        QPolygonF right;
        right << at(0.7, 0.26) << at(0.92, 0.5) << at(0.7, 0.74);
        painter.drawPolyline(left);
        painter.drawPolyline(right);
        painter.drawLine(at(0.58, 0.18), at(0.42, 0.82));
        break;
    }
    }
    painter.restore();
}

} // namespace quillbox
