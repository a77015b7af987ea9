#pragma once

#include <QEvent>
#include <QObject>
#include <QPoint>
#include <QRect>

class QMouseEvent;
class QWidget;

namespace quillbox {

// Edges and corners by which a frameless, rounded window is resized with the
// mouse: a thin band inside its rounded outline, so every grip lies within
// the window's shape, even where a window shape cuts the corners off. Its
// content covers the edges, so the grips watch the mouse events of the whole
// window (an application event filter) and take only those in the band.
//
// A press on a grip asks the window manager to resize (the _NET_WM_MOVERESIZE
// request on X11): it follows the pointer and honours the window's size
// limits. A window manager that refuses it gets the window resized here,
// within the same limits.
class WindowResizeGrips : public QObject {
    Q_OBJECT
public:
    // The band's width inside the outline, in pixels.
    static constexpr int gripWidth = 6;

    WindowResizeGrips(QWidget& window, qreal cornerRadius, QObject* parent = nullptr);
    ~WindowResizeGrips() override;

    // The edges gripped at `point` (window coordinates) of a window of `size`
    // with rounded corners of `radius`; none outside the band or the shape.
    // Near a corner both of its edges are gripped.
    static Qt::Edges edgesAt(QPointF point, QSizeF size, qreal radius, qreal grip = gripWidth);
    // The frame after a grip on `edges` moved by `delta` from `start`, within
    // the size limits; the edges not gripped stay where they were.
    static QRect resizedFrame(const QRect& start, Qt::Edges edges, QPoint delta, QSize minimum,
                              QSize maximum);

    // A resize done here (the window manager refused) is under way.
    bool isResizingHere() const { return m_edges != Qt::Edges(); }
    // The window manager was asked to resize and has not let go of the
    // pointer and keyboard since (it holds them while it resizes).
    bool isWindowManagerResizing() const { return m_isWindowManagerResizing; }

Q_SIGNALS:
    // The window manager let go: the mouse or the focus is back.
    void windowManagerResizeEnded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handleMouse(QEvent::Type type, QMouseEvent& event);
    void showCursorFor(Qt::Edges edges);

    QWidget& m_window;
    qreal m_radius;
    // While resizing here: the gripped edges, the frame and the pointer's
    // position at the press.
    Qt::Edges m_edges;
    QRect m_startFrame;
    QPoint m_startPointer;
    Qt::Edges m_cursorEdges;
    bool m_isWindowManagerResizing = false;
};

} // namespace quillbox
