#pragma once

#include <QSize>
#include <QtGlobal>

namespace quillbox {

// What Quillbox tells the window manager about its own floating windows,
// which toolkit flags alone do not say on every desktop.
class WindowHints {
public:
    virtual ~WindowHints() = default;

    // A shown window stays out of the task bar, the pager and window
    // cycling, above other windows. Call after each show: window managers
    // drop these states when a window is hidden.
    virtual void markAsFloatingPanel(quintptr windowId) = 0;

    // Just before each show, at the size it is shown at. Where the desktop
    // arranges windows itself (a tiling Wayland compositor), the window keeps
    // that size while shown, which makes it float over the others.
    virtual void prepareToShow(quintptr windowId, const QSize& size) = 0;

    // Before the window is first shown: it never takes the keyboard focus
    // (typing goes on in the user's application), and it is a notification
    // that window managers neither focus nor list.
    virtual void markAsNonFocusable(quintptr windowId) = 0;

    // A compositing manager runs, so translucent window corners show the
    // desktop behind; without one they would show black.
    virtual bool isCompositing() const = 0;
};

} // namespace quillbox
