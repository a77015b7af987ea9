#pragma once

#include "linux/desktop/ClipboardSnapshot.h"
#include "ports/Pasteboard.h"

#include <QObject>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace quillbox {

// A pasteboard whose reads answer from snapshots a reader thread made, so
// they never wait on another client. A backend hands each snapshot in with
// applySnapshot(); the change count moves with each change, and each is also
// queued for takePendingChanges() so that none is lost between two polls.
// Once taken, large contents are no longer kept for reads (see
// takePendingChanges). Writing is the backend's.
class SnapshotPasteboard : public QObject, public Pasteboard {
    Q_OBJECT
public:
    explicit SnapshotPasteboard(QObject* parent = nullptr);
    ~SnapshotPasteboard() override;

    qint64 changeCount() const override { return m_changeCount; }
    std::optional<QStringList> types() const override { return contents()->types(); }
    std::optional<QString> string(const QString& type) const override;
    std::optional<QByteArray> data(const QString& type) const override;
    std::optional<QList<QUrl>> fileURLs() const override { return contents()->fileURLs(); }
    std::optional<QColor> color() const override { return contents()->color(); }
    // Hands the changes over to the taker, which then holds the only copy of
    // representations larger than retainedRepresentationSize: reads of the
    // current contents answer them only while the taker still holds them.
    // A 50 MB text would otherwise stay in memory, bytes and decoded text,
    // for as long as its owner keeps the clipboard.
    QList<std::shared_ptr<const Pasteboard>> takePendingChanges() override;

    // Each change is announced as its snapshot is applied.
    bool notifiesChanges() const override { return true; }

    static constexpr qsizetype retainedRepresentationSize = qsizetype(1024) * 1024;

    // True once the contents found at start have been read (or there is
    // nothing to read them from).
    bool hasReadInitialContents() const { return m_hasReadInitialContents; }
    void whenInitialContentsRead(std::function<void()> ready) override;
    // The MIME types (X11: targets) the current owner offered.
    QList<QByteArray> targets() const { return contents()->targets(); }

Q_SIGNALS:
    // A new snapshot is in place (the change count may have moved).
    void contentsChanged();

protected:
    void applySnapshot(std::shared_ptr<const ClipboardSnapshot> snapshot, bool isChange);
    // No contents at start will ever come: waiting callers go on.
    void markInitialContentsRead();

private:
    // The current contents whole while anyone holds them, else as kept.
    std::shared_ptr<const ClipboardSnapshot> contents() const;

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
