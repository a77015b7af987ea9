#include "ui/CardSymbols.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>
#include <cmath>

namespace quillbox {

QStringList CardSymbols::themeNames(Symbol symbol) {
    switch (symbol) {
    case Symbol::pin:
        return {QStringLiteral("view-pin-symbolic"), QStringLiteral("pin-symbolic")};
    case Symbol::photo:
        return {QStringLiteral("image-x-generic-symbolic")};
    case Symbol::document:
        return {QStringLiteral("text-x-generic-symbolic")};
    case Symbol::app:
        return {QStringLiteral("application-x-executable-symbolic")};
    }
    return {};
}

QIcon CardSymbols::themeIcon(Symbol symbol) {
    for (const QString& name : themeNames(symbol)) {
        if (QIcon::hasThemeIcon(name))
            return QIcon::fromTheme(name);
    }
    return {};
}

void CardSymbols::draw(QPainter& painter, Symbol symbol, const QRectF& rect, const QColor& color) {
    const QIcon icon = themeIcon(symbol);
    if (icon.isNull()) {
        drawGlyph(painter, symbol, rect, color);
        return;
    }
    const qreal side = std::min(rect.width(), rect.height());
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    QImage image = icon.pixmap(QSize(int(std::ceil(side)), int(std::ceil(side))), ratio)
                       .toImage()
                       .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        drawGlyph(painter, symbol, rect, color);
        return;
    }
    {
        // Symbolic icons are one colour: keep their shape, take ours.
        QPainter tint(&image);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(image.rect(), color);
    }
    const QSizeF shown = image.deviceIndependentSize();
    painter.drawImage(QRectF(rect.center() - QPointF(shown.width(), shown.height()) / 2, shown),
                      image);
}

void CardSymbols::drawGlyph(QPainter& painter, Symbol symbol, const QRectF& rect,
                            const QColor& color) {
    const qreal s = std::min(rect.width(), rect.height());
    const QRectF box(rect.center() - QPointF(s, s) / 2, QSizeF(s, s));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    switch (symbol) {
    case Symbol::pin: {
        // A push pin: a round head, a collar and a needle, tilted a little.
        painter.translate(box.center());
        painter.rotate(30);
        painter.translate(-box.center());
        const qreal cx = box.center().x();
        const qreal top = box.top();
        painter.drawRoundedRect(QRectF(cx - s * 0.28, top, s * 0.56, s * 0.42), s * 0.16, s * 0.16);
        painter.drawRect(QRectF(cx - s * 0.36, top + s * 0.42, s * 0.72, s * 0.12));
        painter.drawRect(QRectF(cx - s * 0.05, top + s * 0.54, s * 0.1, s * 0.46));
        break;
    }
    case Symbol::photo: {
        // A framed picture: hills under a sun.
        QPainterPath frame;
        const QRectF outer = box.adjusted(0, s * 0.12, 0, -s * 0.12);
        frame.addRoundedRect(outer, s * 0.12, s * 0.12);
        frame.addRoundedRect(outer.adjusted(s * 0.08, s * 0.08, -s * 0.08, -s * 0.08), s * 0.06,
                             s * 0.06);
        painter.drawPath(frame);
        const QRectF inner = outer.adjusted(s * 0.08, s * 0.08, -s * 0.08, -s * 0.08);
        painter.drawEllipse(
            QPointF(inner.right() - inner.width() * 0.25, inner.top() + inner.height() * 0.3),
            s * 0.08, s * 0.08);
        QPolygonF hills;
        hills << inner.bottomLeft()
              << QPointF(inner.left() + inner.width() * 0.35, inner.top() + inner.height() * 0.35)
              << QPointF(inner.left() + inner.width() * 0.6, inner.top() + inner.height() * 0.7)
              << QPointF(inner.left() + inner.width() * 0.75, inner.top() + inner.height() * 0.55)
              << inner.bottomRight();
        painter.drawPolygon(hills);
        break;
    }
    case Symbol::document: {
        // A page with its top-right corner folded.
        const qreal w = s * 0.76;
        const QRectF page(box.center().x() - w / 2, box.top(), w, s);
        const qreal fold = w * 0.35;
        QPainterPath path;
        path.moveTo(page.topLeft());
        path.lineTo(page.right() - fold, page.top());
        path.lineTo(page.right(), page.top() + fold);
        path.lineTo(page.bottomRight());
        path.lineTo(page.bottomLeft());
        path.closeSubpath();
        painter.drawPath(path);
        break;
    }
    case Symbol::app:
        painter.drawRoundedRect(box.adjusted(s * 0.06, s * 0.06, -s * 0.06, -s * 0.06), s * 0.22,
                                s * 0.22);
        break;
    }
    painter.restore();
}

void CardSymbols::drawAppIcon(QPainter& painter, const std::optional<QIcon>& icon,
                              const QRectF& rect, const QColor& secondary) {
    if (icon && !icon->isNull())
        icon->paint(&painter, rect.toAlignedRect());
    else
        draw(painter, Symbol::app, rect, secondary);
}

} // namespace quillbox
