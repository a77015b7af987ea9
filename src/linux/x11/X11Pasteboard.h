#pragma once

#include "linux/desktop/ClipboardSnapshot.h"
#include "linux/x11/X11ClipboardReader.h"
#include "ports/Pasteboard.h"

#include <QObject>
#include <deque>
#include <memory>
#include <vector>

namespace quillbox {

// The X11 CLIPBOARD selection as Quillbox's pasteboard. Reads answer from the
// latest snapshot the reader thread made, so they never wait on another
// client; the change count moves each time a new owner's contents arrive,
// Quillbox's own writes included, and each such snapshot is also queued for
// takePendingChanges() so that none is lost between two polls. Once taken,
// large contents are no longer kept for reads (see takePendingChanges). Writes
// go through Qt, which then serves the other clients.
class X11Pasteboard : public QObject, public Pasteboard {
    Q_OBJECT
public:
    explicit X11Pasteboard(QObject* parent = nullptr);
    // With other limits for reading (tests use small ones).
    explicit X11Pasteboard(const ClipboardReadLimits& limits, QObject* parent = nullptr);
    ~X11Pasteboard() override;

    qint64 changeCount() const override { return m_changeCount; }
    std::optional<QStringList> types() const override { return contents()->types(); }
    std::optional<QString> string(const QString& type) const override;
    std::optional<QByteArray> data(const QString& type) const override;
    std::optional<QList<QUrl>> fileURLs() const override { return contents()->fileURLs(); }
    std::optional<QColor> color() const override { return contents()->color(); }
    bool write(const QList<PasteboardItem>& items) override;
    // Hands the changes over to the taker, which then holds the only copy of
    // representations larger than retainedRepresentationSize: reads of the
    // current contents answer them only while the taker still holds them.
    // A 50 MB text would otherwise stay in memory, bytes and decoded text,
    // for as long as its owner keeps the clipboard.
    QList<std::shared_ptr<const Pasteboard>> takePendingChanges() override;

    static constexpr qsizetype retainedRepresentationSize = qsizetype(1024) * 1024;

    // Qt serves Quillbox's offer from the main thread; the requests it
    // answers there tell when another program takes it.
    bool reportsOfferReads() const override { return m_offerReads != nullptr; }

    // True once the contents found at start have been read.
    bool hasReadInitialContents() const { return m_hasReadInitialContents; }
    void whenInitialContentsRead(std::function<void()> ready) override;
    void setKeepsContentsOfOwnersThatQuit(bool keeps) override {
        m_reader.setKeepsContentsOfOwnersThatQuit(keeps);
    }
    // The targets the current owner offered, as X atom names.
    QList<QByteArray> targets() const { return contents()->targets(); }

Q_SIGNALS:
    // A new snapshot is in place (the change count may have moved).
    void contentsChanged();

private:
    class OfferReadFilter;

    void applySnapshot(std::shared_ptr<const ClipboardSnapshot> snapshot, bool isChange);
    // The current contents whole while anyone holds them, else as kept.
    std::shared_ptr<const ClipboardSnapshot> contents() const;

    X11ClipboardReader m_reader;
    std::unique_ptr<OfferReadFilter> m_offerReads;
    std::shared_ptr<const ClipboardSnapshot> m_snapshot;
    // The whole current contents once m_snapshot keeps only their small
    // representations.
    std::weak_ptr<const ClipboardSnapshot> m_handedOverSnapshot;
    qint64 m_changeCount = 0;
    struct PendingChange {
        std::shared_ptr<const ClipboardSnapshot> snapshot;
        qint64 changeCount = 0;
    };
    // Each change since the last takePendingChanges(), oldest first, the
    // bytes they hold and how many were dropped to stay within bounds.
    std::deque<PendingChange> m_pendingChanges;
    qsizetype m_pendingBytes = 0;
    qsizetype m_droppedChanges = 0;
    bool m_hasReadInitialContents = false;
    std::vector<std::function<void()>> m_waitingForInitialContents;
};

} // namespace quillbox
