#include "ui/ColorSamplerOverlay.h"

#include "content/ColorHex.h"
#include "content/Logging.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <chrono>

namespace quillbox {

namespace {

// The magnifier shows this many pixels across (odd, so one is in the middle),
// each drawn this many times larger, this far from the pointer.
constexpr int magnifiedPixels = 11;
constexpr int magnification = 10;
constexpr int magnifierOffset = 24;
constexpr int labelHeight = 22;
// A keyboard grab fails until the X server has mapped the window; it is
// retried this often, this many times.
constexpr auto grabRetryInterval = std::chrono::milliseconds(50);
constexpr int grabAttempts = 40;

} // namespace

ColorSamplerOverlay::ColorSamplerOverlay(const QImage& frozen, const QRect& geometry,
                                         QWidget* parent)
    : QWidget(parent,
              // Bypassing the window manager (override-redirect on X11): it
              // neither decorates, places nor stacks the overlay, so it covers
              // docks and panels exactly. The price is that it never gets the
              // focus from the window manager; grabKeys() takes the keyboard.
              Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                  Qt::BypassWindowManagerHint)
    , m_frozen(frozen.convertToFormat(QImage::Format_RGB32)) {
    setObjectName(QStringLiteral("colorSamplerOverlay"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);
    setGeometry(geometry);
}

QPoint ColorSamplerOverlay::imagePoint(const QPoint& position) const {
    // The grab is in device pixels; the widget in logical ones.
    const int x = width() > 0 ? position.x() * m_frozen.width() / width() : 0;
    const int y = height() > 0 ? position.y() * m_frozen.height() / height() : 0;
    return {std::clamp(x, 0, std::max(0, m_frozen.width() - 1)),
            std::clamp(y, 0, std::max(0, m_frozen.height() - 1))};
}

QColor ColorSamplerOverlay::colorAt(const QPoint& position) const {
    if (m_frozen.isNull())
        return QColor(Qt::black);
    return m_frozen.pixelColor(imagePoint(position)).toRgb();
}

void ColorSamplerOverlay::grabKeys() {
    activateWindow();
    setFocus(Qt::OtherFocusReason);
    tryGrabKeys(grabAttempts);
}

void ColorSamplerOverlay::tryGrabKeys(int attemptsLeft) {
    if (m_isDone)
        return;
    if (windowHandle() && windowHandle()->setKeyboardGrabEnabled(true))
        return;
    if (attemptsLeft <= 1) {
        qCWarning(lcUi, "Quillbox: the colour sampler could not take the keyboard; "
                        "Escape may not cancel it");
        return;
    }
    QTimer::singleShot(grabRetryInterval, this,
                       [this, attemptsLeft] { tryGrabKeys(attemptsLeft - 1); });
}

void ColorSamplerOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(rect(), m_frozen);
    if (m_pointer)
        paintMagnifier(painter, *m_pointer);
}

void ColorSamplerOverlay::paintMagnifier(QPainter& painter, const QPoint& position) {
    const int side = magnifiedPixels * magnification;
    // Below and right of the pointer, flipped near the screen's edges.
    QPoint origin = position + QPoint(magnifierOffset, magnifierOffset);
    if (origin.x() + side > width())
        origin.setX(position.x() - magnifierOffset - side);
    if (origin.y() + side + labelHeight > height())
        origin.setY(position.y() - magnifierOffset - side - labelHeight);
    const QRect box(origin, QSize(side, side));

    const QPoint centre = imagePoint(position);
    const int half = magnifiedPixels / 2;
    const QRect source(centre.x() - half, centre.y() - half, magnifiedPixels, magnifiedPixels);
    // Pixels outside the screen stay black.
    QImage zoomed(magnifiedPixels, magnifiedPixels, QImage::Format_RGB32);
    zoomed.fill(Qt::black);
    {
        QPainter copy(&zoomed);
        copy.drawImage(QPoint(0, 0), m_frozen, source);
    }
    painter.drawImage(box,
                      zoomed.scaled(side, side, Qt::IgnoreAspectRatio, Qt::FastTransformation));

    painter.setPen(QPen(QColor(255, 255, 255, 160), 1));
    const QRect middle(box.topLeft() + QPoint(half * magnification, half * magnification),
                       QSize(magnification, magnification));
    painter.drawRect(middle.adjusted(0, 0, -1, -1));
    // Black inside white keeps the frame visible on dark and light screens.
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(box.adjusted(-1, -1, 0, labelHeight + 1));

    const QColor color = colorAt(position);
    const QRect label(box.bottomLeft() + QPoint(0, 1), QSize(side, labelHeight));
    painter.fillRect(label, QColor(0, 0, 0, 200));
    painter.fillRect(QRect(label.topLeft() + QPoint(4, 4), QSize(14, 14)), color);
    painter.setPen(Qt::white);
    painter.drawText(label.adjusted(22, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                     hexString(color));
}

void ColorSamplerOverlay::mouseMoveEvent(QMouseEvent* event) {
    m_pointer = event->position().toPoint();
    update();
}

void ColorSamplerOverlay::leaveEvent(QEvent*) {
    m_pointer.reset();
    update();
}

void ColorSamplerOverlay::mousePressEvent(QMouseEvent* event) {
    if (m_isDone || event->button() != Qt::LeftButton)
        return;
    m_isDone = true;
    Q_EMIT picked(colorAt(event->position().toPoint()));
}

void ColorSamplerOverlay::keyPressEvent(QKeyEvent* event) {
    if (m_isDone)
        return;
    switch (event->key()) {
    case Qt::Key_Escape:
        m_isDone = true;
        Q_EMIT cancelled();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_isDone = true;
        Q_EMIT picked(colorAt(mapFromGlobal(QCursor::pos())));
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace quillbox
