#include "linux/wayland/WaylandPasteboard.h"

#include "content/Logging.h"
#include "content/PasteboardTypes.h"
#include "linux/desktop/ClipboardMime.h"

#include <QColor>
#include <QMimeData>

namespace quillbox {

namespace {

void append(WaylandOffer& offer, const QByteArray& mimeType, const QByteArray& bytes) {
    for (const auto& entry : offer) {
        if (entry.first == mimeType)
            return;
    }
    offer.append({mimeType, bytes});
}

// The bytes of a text/x-moz-url for a list of URLs, in UTF-16 as Qt and
// Firefox write it.
QByteArray mozUrlFor(const QByteArray& uriList) {
    const QString urls = QString::fromUtf8(ClipboardMime::uriListEntries(uriList).join('\n'));
    return QByteArray(reinterpret_cast<const char*>(urls.utf16()), urls.size() * 2);
}

} // namespace

WaylandPasteboard::WaylandPasteboard(const WaylandReadLimits& limits, QObject* parent)
    : SnapshotPasteboard(parent)
    , m_clipboard(limits) {
    // Queued: snapshots are announced from the clipboard's thread.
    connect(
        &m_clipboard, &WaylandClipboard::snapshotRead, this,
        [this](std::shared_ptr<const ClipboardSnapshot> snapshot, bool isChange) {
            // The selection ends when its source goes: the application that
            // copied quit (or, rarely, a clipboard tool cleared it).
            const bool ownerVanished = isChange && !snapshot->hasOwner();
            applySnapshot(std::move(snapshot), isChange);
            if (ownerVanished && onOwnerVanished)
                onOwnerVanished();
        },
        Qt::QueuedConnection);
    connect(&m_clipboard, &WaylandClipboard::becameUnavailable, this,
            &WaylandPasteboard::markInitialContentsRead, Qt::QueuedConnection);
    if (!m_clipboard.start()) {
        qCWarning(lcWayland) << "Quillbox: the compositor offers no data control; the clipboard"
                                " cannot be read or set";
        markInitialContentsRead();
    }
}

WaylandPasteboard::~WaylandPasteboard() {
    m_clipboard.stop();
}

WaylandOffer WaylandPasteboard::offerForItems(const QList<PasteboardItem>& items) {
    const auto mime = ClipboardMime::mimeDataForItems(items);
    WaylandOffer offer;
    for (const QString& format : mime->formats()) {
        const QByteArray mimeType = format.toUtf8();
        if (mimeType == ClipboardMime::colorTarget) {
            // Kept by Qt as a colour object; sent as X11 clients get it.
            append(offer, mimeType, encodeColorData(qvariant_cast<QColor>(mime->colorData())));
            continue;
        }
        const QByteArray bytes = mime->data(format);
        append(offer, mimeType, bytes);
        // The names X11 clients (and XWayland's bridge) know a text and a URL
        // list by, which Qt adds on X11.
        if (mimeType == "text/plain") {
            append(offer, "UTF8_STRING", bytes);
            append(offer, "TEXT", bytes);
            append(offer, "STRING", QString::fromUtf8(bytes).toLatin1());
        } else if (mimeType == ClipboardMime::uriListTarget) {
            append(offer, ClipboardMime::mozUrlTarget, mozUrlFor(bytes));
        }
    }
    return offer;
}

bool WaylandPasteboard::write(const QList<PasteboardItem>& items) {
    auto offer = std::make_shared<const WaylandOffer>(offerForItems(items));
    if (!m_clipboard.setSelection(offer)) {
        qCWarning(lcWayland) << "Quillbox: cannot set the clipboard: the compositor offers no"
                                " data control";
        return false;
    }
    // What a reader would fetch from our own offer, so reads and the
    // monitor (which skips it by its marker) see this write at once.
    QList<QByteArray> mimeTypes;
    for (const auto& entry : *offer)
        mimeTypes.append(entry.first);
    QHash<QByteArray, QByteArray> representations;
    for (const QByteArray& wanted : ClipboardMime::targetsToFetch(mimeTypes)) {
        for (const auto& entry : *offer) {
            if (entry.first == wanted)
                representations.insert(wanted, entry.second);
        }
    }
    applySnapshot(std::make_shared<const ClipboardSnapshot>(mimeTypes, representations), true);
    return true;
}

} // namespace quillbox
