#pragma once

#include "ports/WindowHints.h"

#include <QSet>
#include <memory>

namespace quillbox {

class GnomeShellConnection;

// Quillbox's floating windows in GNOME Shell, which places Wayland windows
// itself: the extension centres each on the monitor in use and keeps it
// above the others, and focuses it unless it must never take the keyboard
// (the Paste Stack's window).
class GnomeWindowHints : public WindowHints {
public:
    explicit GnomeWindowHints(std::shared_ptr<GnomeShellConnection> connection);

    void markAsFloatingPanel(quintptr windowId) override;
    void prepareToShow(quintptr windowId, const QSize& size) override;
    void markAsNonFocusable(quintptr windowId) override;
    bool isCompositing() const override { return true; }

private:
    std::shared_ptr<GnomeShellConnection> m_connection;
    QSet<quintptr> m_nonFocusable;
};

} // namespace quillbox
