#include "linux/desktop/SnapshotPasteboard.h"

#include "content/Logging.h"

#include <utility>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace quillbox {

namespace {

// The monitor takes the queue soon after each change, unless a long tick
// (a large text being recorded) holds it up. A person copies far more slowly
// than this even with a repeating Ctrl+C; the bound holds half a second of
// copies 5 ms apart, and beyond it a runaway writer (or a queue no one takes,
// as when only the current contents are read) costs no more.
constexpr std::size_t maximumPendingChanges = 100;
// Large contents superseded within a tick are still recorded, up to as much
// as one representation may hold; past that the oldest go first. The newest
// change is always kept: it is the current contents anyway.
constexpr qsizetype maximumPendingBytes = qsizetype(256) * 1024 * 1024;

// One queued change as the monitor reads it: the contents it brought and the
// change count it moved the clipboard to.
class PendingContents : public Pasteboard {
public:
    PendingContents(std::shared_ptr<const ClipboardSnapshot> snapshot, qint64 changeCount)
        : m_snapshot(std::move(snapshot))
        , m_changeCount(changeCount) {}
    ~PendingContents() override;

    qint64 changeCount() const override { return m_changeCount; }
    std::optional<QStringList> types() const override { return m_snapshot->types(); }
    std::optional<QString> string(const QString& type) const override {
        return m_snapshot->string(type);
    }
    std::optional<QByteArray> data(const QString& type) const override {
        return m_snapshot->data(type);
    }
    std::optional<QList<QUrl>> fileURLs() const override { return m_snapshot->fileURLs(); }
    std::optional<QColor> color() const override { return m_snapshot->color(); }
    // A change that has happened cannot be written to.
    bool write(const QList<PasteboardItem>&) override { return false; }

private:
    std::shared_ptr<const ClipboardSnapshot> m_snapshot;
    qint64 m_changeCount;
};

PendingContents::~PendingContents() {
    if (m_snapshot.use_count() != 1 ||
        m_snapshot->byteSize() <= SnapshotPasteboard::retainedRepresentationSize)
        return;
    m_snapshot.reset();
#ifdef __GLIBC__
    // The large blocks went back to the system at once (glibc maps them
    // apart), but reading, parsing and recording them left many freed medium
    // ones that the heap keeps: about 8 MB for a 50 MB text.
    malloc_trim(0);
#endif
}

} // namespace

SnapshotPasteboard::SnapshotPasteboard(QObject* parent)
    : QObject(parent)
    , m_snapshot(std::make_shared<const ClipboardSnapshot>()) {
}

SnapshotPasteboard::~SnapshotPasteboard() = default;

std::optional<QString> SnapshotPasteboard::string(const QString& type) const {
    return contents()->string(type);
}

std::optional<QByteArray> SnapshotPasteboard::data(const QString& type) const {
    return contents()->data(type);
}

std::shared_ptr<const ClipboardSnapshot> SnapshotPasteboard::contents() const {
    if (auto whole = m_handedOverSnapshot.lock())
        return whole;
    return m_snapshot;
}

QList<std::shared_ptr<const Pasteboard>> SnapshotPasteboard::takePendingChanges() {
    if (m_droppedChanges > 0) {
        qCWarning(lcCapture).nospace()
            << "Quillbox: the clipboard changed faster than it was taken; " << m_droppedChanges
            << " earlier changes dropped";
        m_droppedChanges = 0;
    }
    QList<std::shared_ptr<const Pasteboard>> changes;
    changes.reserve(qsizetype(m_pendingChanges.size()));
    for (auto& change : m_pendingChanges)
        changes.append(std::make_shared<const PendingContents>(std::move(change.snapshot),
                                                               change.changeCount));
    m_pendingChanges.clear();
    m_pendingBytes = 0;
    // Once per offer: a trimmed copy has nothing left to trim, so ticks that
    // take an empty queue (while paused, say) leave it alone.
    if (m_snapshot->largestRepresentationSize() > retainedRepresentationSize) {
        m_handedOverSnapshot = m_snapshot;
        m_snapshot = std::make_shared<const ClipboardSnapshot>(
            m_snapshot->withRepresentationsUpTo(retainedRepresentationSize));
    }
    return changes;
}

void SnapshotPasteboard::applySnapshot(std::shared_ptr<const ClipboardSnapshot> snapshot,
                                       bool isChange) {
    m_snapshot = std::move(snapshot);
    m_handedOverSnapshot.reset();
    if (isChange) {
        ++m_changeCount;
        m_pendingChanges.push_back({m_snapshot, m_changeCount});
        m_pendingBytes += m_snapshot->byteSize();
        while (m_pendingChanges.size() > 1 && (m_pendingChanges.size() > maximumPendingChanges ||
                                               m_pendingBytes > maximumPendingBytes)) {
            m_pendingBytes -= m_pendingChanges.front().snapshot->byteSize();
            m_pendingChanges.pop_front();
            ++m_droppedChanges;
        }
    }
    markInitialContentsRead();
    Q_EMIT contentsChanged();
    if (isChange && onContentsChanged)
        onContentsChanged();
}

void SnapshotPasteboard::markInitialContentsRead() {
    m_hasReadInitialContents = true;
    for (auto& ready : std::exchange(m_waitingForInitialContents, {}))
        ready();
}

void SnapshotPasteboard::whenInitialContentsRead(std::function<void()> ready) {
    if (m_hasReadInitialContents)
        ready();
    else
        m_waitingForInitialContents.push_back(std::move(ready));
}

} // namespace quillbox
