#include "ui/WindowResizeGrips.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>

namespace quillbox {

namespace {

Qt::CursorShape cursorFor(Qt::Edges edges) {
    const bool left = edges.testFlag(Qt::LeftEdge);
    const bool right = edges.testFlag(Qt::RightEdge);
    const bool top = edges.testFlag(Qt::TopEdge);
    const bool bottom = edges.testFlag(Qt::BottomEdge);
    if ((left && top) || (right && bottom))
        return Qt::SizeFDiagCursor;
    if ((right && top) || (left && bottom))
        return Qt::SizeBDiagCursor;
    return left || right ? Qt::SizeHorCursor : Qt::SizeVerCursor;
}

} // namespace

WindowResizeGrips::WindowResizeGrips(QWidget& window, qreal cornerRadius, QObject* parent)
    : QObject(parent)
    , m_window(window)
    , m_radius(cornerRadius) {
    // Hover over the band must reach the filter even where no child tracks
    // the mouse: the application's filters see those moves too.
    qApp->installEventFilter(this);
}

WindowResizeGrips::~WindowResizeGrips() {
    qApp->removeEventFilter(this);
}

Qt::Edges WindowResizeGrips::edgesAt(QPointF point, QSizeF size, qreal radius, qreal grip) {
    const qreal x = point.x();
    const qreal y = point.y();
    const qreal width = size.width();
    const qreal height = size.height();
    if (x < 0 || y < 0 || x >= width || y >= height)
        return {};
    Qt::Edges horizontal;
    Qt::Edges vertical;
    if (x < radius)
        horizontal = Qt::LeftEdge;
    else if (x >= width - radius)
        horizontal = Qt::RightEdge;
    if (y < radius)
        vertical = Qt::TopEdge;
    else if (y >= height - radius)
        vertical = Qt::BottomEdge;
    if (horizontal && vertical) {
        // A rounded corner: the band follows its arc.
        const QPointF centre(horizontal == Qt::LeftEdge ? radius : width - radius,
                             vertical == Qt::TopEdge ? radius : height - radius);
        const qreal inside = radius - std::hypot(x - centre.x(), y - centre.y());
        return inside >= 0 && inside < grip ? horizontal | vertical : Qt::Edges();
    }
    Qt::Edges edges;
    if (x < grip)
        edges |= Qt::LeftEdge;
    else if (x >= width - grip)
        edges |= Qt::RightEdge;
    if (y < grip)
        edges |= Qt::TopEdge;
    else if (y >= height - grip)
        edges |= Qt::BottomEdge;
    return edges;
}

QRect WindowResizeGrips::resizedFrame(const QRect& start, Qt::Edges edges, QPoint delta,
                                      QSize minimum, QSize maximum) {
    const auto clampWidth = [&](int width) {
        return std::clamp(width, minimum.width(), std::max(minimum.width(), maximum.width()));
    };
    const auto clampHeight = [&](int height) {
        return std::clamp(height, minimum.height(), std::max(minimum.height(), maximum.height()));
    };
    QRect frame = start;
    if (edges.testFlag(Qt::LeftEdge))
        frame.setLeft(start.right() + 1 - clampWidth(start.width() - delta.x()));
    else if (edges.testFlag(Qt::RightEdge))
        frame.setWidth(clampWidth(start.width() + delta.x()));
    if (edges.testFlag(Qt::TopEdge))
        frame.setTop(start.bottom() + 1 - clampHeight(start.height() - delta.y()));
    else if (edges.testFlag(Qt::BottomEdge))
        frame.setHeight(clampHeight(start.height() + delta.y()));
    return frame;
}

bool WindowResizeGrips::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // Moves may still come in before the window manager takes the pointer;
    // the release it swallowed is made up by the toolkit once it lets go.
    if (m_isWindowManagerResizing && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == &m_window &&
        (type == QEvent::WindowActivate || type == QEvent::Enter ||
         type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease)) {
        m_isWindowManagerResizing = false;
        Q_EMIT windowManagerResizeEnded();
    }
    if (type == QEvent::Leave && watched == &m_window && !isResizingHere()) {
        showCursorFor({});
        return false;
    }
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress &&
        type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
        return false;
    if (!watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != &m_window)
        return false;
    return handleMouse(type, static_cast<QMouseEvent&>(*event));
}

bool WindowResizeGrips::handleMouse(QEvent::Type type, QMouseEvent& event) {
    const QPoint pointer = event.globalPosition().toPoint();
    if (isResizingHere()) {
        // The press's widget keeps the mouse until the release: every move
        // comes here.
        if (type == QEvent::MouseMove)
            m_window.setGeometry(resizedFrame(m_startFrame, m_edges, pointer - m_startPointer,
                                              m_window.minimumSize(), m_window.maximumSize()));
        else if (type == QEvent::MouseButtonRelease && event.button() == Qt::LeftButton)
            m_edges = {};
        event.accept();
        return true;
    }
    const Qt::Edges edges =
        edgesAt(m_window.mapFromGlobal(event.globalPosition()), QSizeF(m_window.size()), m_radius);
    if (type == QEvent::MouseMove) {
        if (event.buttons() == Qt::NoButton)
            showCursorFor(edges);
        return false;
    }
    if (!edges)
        return false;
    event.accept();
    if (type != QEvent::MouseButtonPress || event.button() != Qt::LeftButton)
        return true; // the grip's, not the content's under it
    QWindow* handle = m_window.windowHandle();
    if (handle && handle->startSystemResize(edges)) {
        m_isWindowManagerResizing = true;
        return true;
    }
    m_edges = edges;
    m_startFrame = m_window.geometry();
    m_startPointer = pointer;
    return true;
}

void WindowResizeGrips::showCursorFor(Qt::Edges edges) {
    if (edges == m_cursorEdges)
        return;
    m_cursorEdges = edges;
    if (edges)
        m_window.setCursor(cursorFor(edges));
    else
        m_window.unsetCursor();
}

} // namespace quillbox
