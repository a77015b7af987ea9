#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QWidget>
#include <optional>

namespace quillbox {

// One screen's part of Quillbox's own colour sampler: a frozen image of the
// screen shown full-screen above everything, with a magnifier around the
// pointer that shows the pixels and the code of the one under it. A click (or
// Return) picks that pixel; Escape cancels.
class ColorSamplerOverlay : public QWidget {
    Q_OBJECT
public:
    // `frozen` is the screen's picture, possibly in device pixels; the widget
    // covers `geometry` in logical pixels.
    ColorSamplerOverlay(const QImage& frozen, const QRect& geometry, QWidget* parent = nullptr);

    // The colour of the frozen screen under a point of the widget.
    QColor colorAt(const QPoint& position) const;

    // Takes the keyboard, so Escape reaches the overlay even though no window
    // manager gives it focus. Retries until the window is on screen.
    void grabKeys();

Q_SIGNALS:
    void picked(const QColor& color);
    void cancelled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPoint imagePoint(const QPoint& position) const;
    void paintMagnifier(QPainter& painter, const QPoint& position);
    void tryGrabKeys(int attemptsLeft);

    QImage m_frozen;
    std::optional<QPoint> m_pointer;
    bool m_isDone = false;
};

} // namespace quillbox
