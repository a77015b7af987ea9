#pragma once

#include "linux/desktop/SnapshotPasteboard.h"
#include "linux/gnome/GnomeReadLimits.h"

#include <QPair>
#include <memory>

namespace quillbox {

class GnomeShellConnection;
class GnomeTransferReader;

// The clipboard of a GNOME Wayland session, through Quillbox's Shell
// extension (GnomeShellConnection): each change of owner is read on the
// reader's thread, every wanted representation through a pipe of its own,
// under the same limits as the other backends; nothing is asked for when a
// marker says the content must not be kept. A write moves the change count at
// once; the selection it causes is not read back.
class GnomePasteboard : public SnapshotPasteboard {
    Q_OBJECT
public:
    explicit GnomePasteboard(std::shared_ptr<GnomeShellConnection> connection,
                             const GnomeReadLimits& limits = {}, QObject* parent = nullptr);
    ~GnomePasteboard() override;

    // True once the extension has the representations: it answers at once.
    bool write(const QList<PasteboardItem>& items) override;

    // What a write of the items offers, the most useful representation first
    // (a Shell that keeps only one keeps that one), Quillbox's markers last.
    static QList<QPair<QByteArray, QByteArray>> offerForItems(const QList<PasteboardItem>& items);

private:
    void onSelectionChanged(uint serial, const QList<QByteArray>& mimeTypes, bool setByQuillbox,
                            bool isChange);

    std::shared_ptr<GnomeShellConnection> m_connection;
    std::unique_ptr<GnomeTransferReader> m_reader;
    // Whether each queued read is a change, in the order they were queued.
    QList<bool> m_pendingIsChange;
};

} // namespace quillbox
