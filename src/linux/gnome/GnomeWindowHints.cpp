#include "linux/gnome/GnomeWindowHints.h"

#include "linux/gnome/GnomeShellConnection.h"

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

GnomeWindowHints::GnomeWindowHints(std::shared_ptr<GnomeShellConnection> connection)
    : m_connection(std::move(connection)) {
}

void GnomeWindowHints::markAsFloatingPanel(quintptr windowId) {
    if (QWindow* window = windowWithId(windowId))
        m_connection->placeWindow(window->title(), !m_nonFocusable.contains(windowId));
}

void GnomeWindowHints::prepareToShow(quintptr windowId, const QSize& size) {
    // The Shell keeps a window at the size it asks for; nothing to pin.
    (void)windowId;
    (void)size;
}

void GnomeWindowHints::markAsNonFocusable(quintptr windowId) {
    m_nonFocusable.insert(windowId);
}

} // namespace quillbox
