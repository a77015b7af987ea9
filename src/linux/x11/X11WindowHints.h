#pragma once

#include "ports/WindowHints.h"

namespace quillbox {

// Window-manager hints through Qt's own X connection: EWMH states and
// window types, ICCCM input hints, and the compositing manager's selection.
// Every request here is answered by the X server itself, never by another
// client, so none of them can hang the main thread.
class X11WindowHints : public WindowHints {
public:
    // X11 window managers float these windows by their type.
    void prepareToShow(quintptr, const QSize&) override {}
    void markAsFloatingPanel(quintptr windowId) override;
    void markAsNonFocusable(quintptr windowId) override;
    bool isCompositing() const override;
};

} // namespace quillbox
