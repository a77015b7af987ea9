#include "linux/wayland/WaylandWindowHints.h"

#include "linux/wayland/WaylandInputConnection.h"

#include <QGuiApplication>
#include <QWindow>

namespace quillbox {

namespace {
QWindow* windowWithId(quintptr windowId) {
    for (QWindow* window : QGuiApplication::allWindows()) {
        if (window->handle() && window->winId() == windowId)
            return window;
    }
    return nullptr;
}
} // namespace

WaylandWindowHints::WaylandWindowHints(std::shared_ptr<WaylandInputConnection> connection,
                                       QObject* parent)
    : QObject(parent)
    , m_connection(std::move(connection)) {
    m_timer.setInterval(pollInterval);
    connect(&m_timer, &QTimer::timeout, this, &WaylandWindowHints::giveFocusBack);
}

void WaylandWindowHints::prepareToShow(quintptr windowId, const QSize& size) {
    // Sway floats a toplevel whose least and greatest sizes are equal, as
    // they stand when it first maps.
    if (QWindow* window = windowWithId(windowId)) {
        window->setMinimumSize(size);
        window->setMaximumSize(size);
    }
    if (m_nonFocusable.contains(windowId)) {
        // Not yet focused: the window in front now gets the keyboard back.
        const auto active = m_connection->activeToplevel();
        m_focusOwner = active ? std::optional(active->id) : std::nullopt;
    }
}

void WaylandWindowHints::markAsFloatingPanel(quintptr windowId) {
    if (!m_nonFocusable.contains(windowId) || !m_focusOwner)
        return;
    m_clock.start();
    m_timer.start();
    giveFocusBack();
}

void WaylandWindowHints::markAsNonFocusable(quintptr windowId) {
    m_nonFocusable.insert(windowId);
}

void WaylandWindowHints::giveFocusBack() {
    if (m_connection->isOwnWindowActive()) {
        m_connection->activate(*m_focusOwner);
        m_timer.stop();
        return;
    }
    if (m_clock.elapsed() >= focusTimeout.count())
        m_timer.stop(); // the compositor did not focus it after all
}

} // namespace quillbox
