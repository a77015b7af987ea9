#include "linux/gnome/GnomePasteboard.h"

#include "content/Logging.h"
#include "content/PasteboardTypes.h"
#include "linux/desktop/ClipboardMime.h"
#include "linux/gnome/GnomeShellConnection.h"
#include "linux/gnome/GnomeTransferReader_p.h"

#include <QColor>
#include <QMimeData>
#include <fcntl.h>
#include <unistd.h>

namespace quillbox {

namespace {

bool isImage(const QByteArray& mimeType) {
    return mimeType.startsWith("image/");
}

} // namespace

GnomePasteboard::GnomePasteboard(std::shared_ptr<GnomeShellConnection> connection,
                                 const GnomeReadLimits& limits, QObject* parent)
    : SnapshotPasteboard(parent)
    , m_connection(std::move(connection))
    , m_reader(std::make_unique<GnomeTransferReader>(limits)) {
    connect(
        m_reader.get(), &GnomeTransferReader::snapshotRead, this,
        [this](std::shared_ptr<const ClipboardSnapshot> snapshot) {
            const bool isChange = m_pendingIsChange.isEmpty() || m_pendingIsChange.takeFirst();
            // The selection ends without a new owner when the application
            // that copied quits.
            const bool ownerVanished = isChange && !snapshot->hasOwner();
            applySnapshot(std::move(snapshot), isChange);
            if (!isChange)
                markInitialContentsRead();
            if (ownerVanished && onOwnerVanished)
                onOwnerVanished();
        },
        Qt::QueuedConnection);
    connect(
        m_connection.get(), &GnomeShellConnection::selectionChanged, this,
        [this](uint serial, const QList<QByteArray>& mimeTypes, const QString&, bool setByQuillbox,
               bool isChange) { onSelectionChanged(serial, mimeTypes, setByQuillbox, isChange); });
    connect(m_connection.get(), &GnomeShellConnection::selectionUnavailable, this,
            &GnomePasteboard::markInitialContentsRead);
    m_connection->requestSelection();
}

GnomePasteboard::~GnomePasteboard() = default;

void GnomePasteboard::onSelectionChanged(uint serial, const QList<QByteArray>& mimeTypes,
                                         bool setByQuillbox, bool isChange) {
    if (setByQuillbox)
        return; // write() put it in place already
    GnomeTransferJob job;
    job.owned = !mimeTypes.isEmpty();
    job.offered = mimeTypes;
    // Nothing at all is asked for when a marker flags the contents.
    for (const QByteArray& mimeType : ClipboardMime::targetsToFetch(mimeTypes)) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            continue;
        // The Shell writes without ever blocking on us.
        ::fcntl(fds[1], F_SETFL, ::fcntl(fds[1], F_GETFL) | O_NONBLOCK);
        m_connection->transfer(serial, mimeType, fds[1]);
        job.pipes.append({mimeType, fds[0]});
    }
    m_pendingIsChange.append(isChange);
    m_reader->enqueue(std::move(job));
}

QList<QPair<QByteArray, QByteArray>>
GnomePasteboard::offerForItems(const QList<PasteboardItem>& items) {
    const auto mime = ClipboardMime::mimeDataForItems(items);
    QList<QPair<QByteArray, QByteArray>> offer;
    QList<QPair<QByteArray, QByteArray>> markers;
    for (const QString& format : mime->formats()) {
        const QByteArray mimeType = format.toUtf8();
        const QByteArray bytes = mimeType == ClipboardMime::colorTarget
                                     ? encodeColorData(qvariant_cast<QColor>(mime->colorData()))
                                     : mime->data(format);
        const auto type = ClipboardMime::typeForTarget(mimeType);
        if (type && PasteboardType::ignoredMarkers().contains(*type))
            markers.append({mimeType, bytes});
        else
            offer.append({mimeType, bytes});
    }
    // The item's own kind leads: its image when it begins with one, else its
    // text as UTF-8, which every toolkit reads.
    const QStringList firstTypes = items.isEmpty() ? QStringList() : items.first().types();
    const bool imageFirst = !firstTypes.isEmpty() && (firstTypes.first() == PasteboardType::png ||
                                                      firstTypes.first() == PasteboardType::tiff ||
                                                      firstTypes.first() == PasteboardType::jpeg);
    std::stable_partition(offer.begin(), offer.end(), [&](const auto& entry) {
        return imageFirst ? isImage(entry.first) : entry.first == "text/plain;charset=utf-8";
    });
    return offer + markers;
}

bool GnomePasteboard::write(const QList<PasteboardItem>& items) {
    const auto offer = offerForItems(items);
    if (offer.isEmpty() || !m_connection->setSelection(offer)) {
        qCWarning(lcGnome) << "Quillbox: cannot set the clipboard: the GNOME Shell extension"
                              " does not answer";
        return false;
    }
    // What a reader would fetch from our own offer, so reads and the monitor
    // (which skips it by its marker) see this write at once.
    QList<QByteArray> mimeTypes;
    for (const auto& entry : offer)
        mimeTypes.append(entry.first);
    QHash<QByteArray, QByteArray> representations;
    for (const QByteArray& wanted : ClipboardMime::targetsToFetch(mimeTypes)) {
        for (const auto& entry : offer) {
            if (entry.first == wanted)
                representations.insert(wanted, entry.second);
        }
    }
    applySnapshot(std::make_shared<const ClipboardSnapshot>(mimeTypes, representations), true);
    return true;
}

} // namespace quillbox
