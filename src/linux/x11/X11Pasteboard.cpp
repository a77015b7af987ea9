#include "linux/x11/X11Pasteboard.h"

#include "content/Logging.h"
#include "linux/desktop/ClipboardMime.h"
#include "linux/x11/XcbConnection.h"

#include <QAbstractNativeEventFilter>
#include <QClipboard>
#include <QGuiApplication>
#include <utility>
#include <xcb/xcb.h>

namespace quillbox {

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
    : SnapshotPasteboard(parent)
    , m_reader(limits) {
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

} // namespace quillbox
