#pragma once

#include "linux/desktop/SnapshotPasteboard.h"
#include "linux/wayland/WaylandClipboard.h"

namespace quillbox {

// The Wayland clipboard as Quillbox's pasteboard, through data control on a
// connection of our own (see WaylandClipboard): reads answer from the
// snapshots its thread made, and writes offer the items as the X11 backend
// does. A write moves the change count at once, with contents that carry
// Quillbox's marker like every write; the selection it causes is not read back.
class WaylandPasteboard : public SnapshotPasteboard {
    Q_OBJECT
public:
    explicit WaylandPasteboard(const WaylandReadLimits& limits = {}, QObject* parent = nullptr);
    ~WaylandPasteboard() override;

    // True once the offer is on its way to the compositor, which makes it
    // the selection within milliseconds: nothing here waits for it.
    bool write(const QList<PasteboardItem>& items) override;

    // Whether the compositor lets Quillbox read and set the clipboard.
    bool isAvailable() const { return m_clipboard.isAvailable(); }
    // The data-control manager in use; empty when none.
    QString dataControlManager() const { return m_clipboard.managerName(); }

    // What a write of the items offers: every MIME type an X11 client is
    // offered for them, with the bytes of each.
    static WaylandOffer offerForItems(const QList<PasteboardItem>& items);

private:
    WaylandClipboard m_clipboard;
};

} // namespace quillbox
