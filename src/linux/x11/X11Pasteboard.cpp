#include "linux/x11/X11Pasteboard.h"

#include "content/Logging.h"
#include "linux/desktop/ClipboardMime.h"
#include "linux/x11/XcbConnection.h"

#include <QAbstractNativeEventFilter>
#include <QClipboard>
#include <QGuiApplication>
#include <utility>
#include <xcb/xcb.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace quillbox {

namespace {

// The monitor takes the queue at every half-second tick. A person copies far
// more slowly than this even with a repeating Ctrl+C; the bound holds half a
// second of copies 5 ms apart, and beyond it a runaway writer (or a queue no
// one takes, as when only the current contents are read) costs no more.
constexpr std::size_t maximumPendingChanges = 100;
// Large contents superseded within a tick are still recorded, up to as much
// as one representation may hold; past that the oldest go first. The newest
// change is always kept: it is the current contents anyway.
constexpr qsizetype maximumPendingBytes = clipboardMaximumRepresentationSize;

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
        m_snapshot->byteSize() <= X11Pasteboard::retainedRepresentationSize)
        return;
    m_snapshot.reset();
#ifdef __GLIBC__
    // The large blocks went back to the system at once (glibc maps them
    // apart), but reading, parsing and recording them left many freed medium
    // ones that the heap keeps: about 8 MB for a 50 MB text. Trimming takes
    // well under a millisecond.
    malloc_trim(0);
#endif
}

} // namespace

// Sees each request other programs make of the CLIPBOARD selection while Qt
// owns it for us, just before Qt answers it. A request for the list of
// targets or the time of ownership takes nothing; our own reader's requests
// are not another program's.
class X11Pasteboard::OfferReadFilter : public QAbstractNativeEventFilter {
public:
    OfferReadFilter(X11Pasteboard& pasteboard, xcb_connection_t* connection)
        : m_pasteboard(pasteboard)
        , m_clipboard(XcbConnection::internAtom(connection, "CLIPBOARD"))
        , m_targets(XcbConnection::internAtom(connection, "TARGETS"))
        , m_timestamp(XcbConnection::internAtom(connection, "TIMESTAMP")) {
        qGuiApp->installNativeEventFilter(this);
    }
    ~OfferReadFilter() override {
        if (qGuiApp)
            qGuiApp->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_SELECTION_REQUEST)
            return false;
        const auto* request = reinterpret_cast<const xcb_selection_request_event_t*>(event);
        if (request->selection != m_clipboard || request->target == m_targets ||
            request->target == m_timestamp ||
            m_pasteboard.m_reader.requestorWindows().contains(request->requestor))
            return false;
        // Queued: told once Qt has answered, so the taker has what it asked for.
        QMetaObject::invokeMethod(
            &m_pasteboard,
            [pasteboard = &m_pasteboard] {
                if (pasteboard->onOfferRead)
                    pasteboard->onOfferRead();
            },
            Qt::QueuedConnection);
        return false;
    }

private:
    X11Pasteboard& m_pasteboard;
    xcb_atom_t m_clipboard;
    xcb_atom_t m_targets;
    xcb_atom_t m_timestamp;
};

X11Pasteboard::X11Pasteboard(QObject* parent)
    : X11Pasteboard(ClipboardReadLimits{}, parent) {
}

X11Pasteboard::X11Pasteboard(const ClipboardReadLimits& limits, QObject* parent)
    : QObject(parent)
    , m_reader(limits)
    , m_snapshot(std::make_shared<const ClipboardSnapshot>()) {
    // Queued: snapshots are announced from the reader's thread.
    connect(&m_reader, &X11ClipboardReader::snapshotRead, this, &X11Pasteboard::applySnapshot,
            Qt::QueuedConnection);
    connect(
        &m_reader, &X11ClipboardReader::ownerVanished, this,
        [this] {
            if (onOwnerVanished)
                onOwnerVanished();
        },
        Qt::QueuedConnection);
    m_reader.start();
    if (xcb_connection_t* connection = XcbConnection::ofQt())
        m_offerReads = std::make_unique<OfferReadFilter>(*this, connection);
}

X11Pasteboard::~X11Pasteboard() {
    m_reader.stop();
}

std::optional<QString> X11Pasteboard::string(const QString& type) const {
    return contents()->string(type);
}

std::optional<QByteArray> X11Pasteboard::data(const QString& type) const {
    return contents()->data(type);
}

std::shared_ptr<const ClipboardSnapshot> X11Pasteboard::contents() const {
    if (auto whole = m_handedOverSnapshot.lock())
        return whole;
    return m_snapshot;
}

bool X11Pasteboard::write(const QList<PasteboardItem>& items) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        qCWarning(lcX11) << "Quillbox: cannot write the clipboard without a GUI application";
        return false;
    }
    // Qt takes ownership of the selection and answers other clients' requests
    // from the main thread's event loop; the reader sees the new owner like any
    // other and moves the change count when it has read our offer back.
    clipboard->setMimeData(ClipboardMime::mimeDataForItems(items).release(), QClipboard::Clipboard);
    // Qt asks the server who owns the selection after taking it.
    if (!clipboard->ownsClipboard()) {
        qCWarning(lcX11) << "Quillbox: the X server did not give Quillbox the clipboard";
        return false;
    }
    return true;
}

QList<std::shared_ptr<const Pasteboard>> X11Pasteboard::takePendingChanges() {
    if (m_droppedChanges > 0) {
        qCWarning(lcX11).nospace() << "Quillbox: the clipboard changed faster than it was taken; "
                                   << m_droppedChanges << " earlier changes dropped";
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

void X11Pasteboard::applySnapshot(std::shared_ptr<const ClipboardSnapshot> snapshot,
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
    m_hasReadInitialContents = true;
    for (auto& ready : std::exchange(m_waitingForInitialContents, {}))
        ready();
    Q_EMIT contentsChanged();
}

void X11Pasteboard::whenInitialContentsRead(std::function<void()> ready) {
    if (m_hasReadInitialContents)
        ready();
    else
        m_waitingForInitialContents.push_back(std::move(ready));
}

} // namespace quillbox
