#include "ui/StatusItemIcons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <array>

namespace quillbox::StatusItemIcons {

namespace {

// What trays and indicator hosts ask for, from the smallest XEmbed slot to
// high-density panels.
constexpr std::array traySizes{16, 22, 24, 32, 48, 64};
constexpr std::array applicationSizes{16, 24, 32, 48, 64, 128, 256};
// A paused item is drawn faded so the pause mark stands out.
constexpr qreal pausedOpacity = 0.45;
// The palette's window lightness below which the theme counts as dark.
constexpr int darkThemeLightness = 128;

const QColor glyphOnDark(0xF2, 0xF4, 0xF7);
const QColor glyphOnLight(0x2E, 0x3A, 0x4B);

// The glyph in a 24-unit box: board outline, clip, two lines and a quill.
void drawGlyph(QPainter& painter, const QColor& color, qreal opacity) {
    painter.save();
    painter.setOpacity(opacity);
    QPen pen(color, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(4, 4, 14, 17), 2.5, 2.5);
    painter.setBrush(color);
    painter.drawRoundedRect(QRectF(8, 2, 6, 3.5), 1.2, 1.2);
    painter.drawLine(QPointF(7.5, 10), QPointF(14, 10));
    painter.drawLine(QPointF(7.5, 14), QPointF(12, 14));
    QPainterPath quill;
    quill.moveTo(22.5, 3);
    quill.cubicTo(18, 5, 14.5, 10, 13, 17.5);
    quill.lineTo(14.6, 18);
    quill.cubicTo(16.5, 12, 19, 7.5, 22.5, 3);
    painter.setPen(QPen(color, 1.0));
    painter.drawPath(quill);
    painter.restore();
}

void drawPauseMark(QPainter& painter, const QColor& color) {
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawRoundedRect(QRectF(15, 13, 3.2, 10), 1, 1);
    painter.drawRoundedRect(QRectF(20, 13, 3.2, 10), 1, 1);
    painter.restore();
}

QPixmap trayPixmap(int size, bool paused, PanelTone tone) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 24.0, size / 24.0);
    const QColor color = tone == PanelTone::dark ? glyphOnDark : glyphOnLight;
    drawGlyph(painter, color, paused ? pausedOpacity : 1.0);
    if (paused)
        drawPauseMark(painter, color);
    return pixmap;
}

QPixmap applicationPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 128.0, size / 128.0);
    painter.setPen(Qt::NoPen);
    QLinearGradient board(0, 16, 0, 120);
    board.setColorAt(0, QColor(0x3D, 0x7B, 0xD9));
    board.setColorAt(1, QColor(0x2A, 0x5B, 0xB0));
    painter.setBrush(board);
    painter.drawRoundedRect(QRectF(18, 16, 84, 104), 12, 12);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(28, 30, 64, 80), 5, 5);
    painter.setBrush(QColor(0x5B, 0x6B, 0x82));
    painter.drawRoundedRect(QRectF(42, 8, 36, 18), 6, 6);
    painter.setBrush(QColor(0x2E, 0x3A, 0x4B));
    painter.drawRoundedRect(QRectF(50, 12, 20, 6), 3, 3);
    painter.setBrush(QColor(0xB7, 0xC4, 0xD8));
    for (const auto& line : {QRectF(36, 44, 40, 5), QRectF(36, 58, 48, 5), QRectF(36, 72, 30, 5),
                             QRectF(36, 86, 42, 5)})
        painter.drawRoundedRect(line, 2.5, 2.5);
    QLinearGradient feather(64, 14, 118, 80);
    feather.setColorAt(0, QColor(0xFF, 0xD3, 0x6B));
    feather.setColorAt(1, QColor(0xF2, 0x9B, 0x38));
    QPainterPath quill;
    quill.moveTo(118, 14);
    quill.cubicTo(96, 18, 74, 40, 64, 78);
    quill.lineTo(70, 80);
    quill.cubicTo(84, 52, 100, 32, 118, 14);
    painter.setBrush(feather);
    painter.drawPath(quill);
    QPainterPath tip;
    tip.moveTo(64, 78);
    tip.lineTo(58, 98);
    tip.lineTo(70, 80);
    painter.setBrush(QColor(0x2E, 0x3A, 0x4B));
    painter.drawPath(tip);
    return pixmap;
}

} // namespace

QIcon trayIcon(bool paused, PanelTone tone) {
    QIcon icon;
    for (const int size : traySizes)
        icon.addPixmap(trayPixmap(size, paused, tone));
    return icon;
}

PanelTone panelToneFor(const QColor& windowColor) {
    return windowColor.lightness() < darkThemeLightness ? PanelTone::dark : PanelTone::light;
}

QIcon applicationIcon() {
    QIcon icon;
    for (const int size : applicationSizes)
        icon.addPixmap(applicationPixmap(size));
    return icon;
}

} // namespace quillbox::StatusItemIcons
