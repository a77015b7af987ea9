#include "ui/PreviewImageCache.h"

#include "capture/ImageDecodeBudget.h"
#include "content/Logging.h"

#include <QBuffer>
#include <QImageIOHandler>
#include <QImageReader>
#include <algorithm>
#include <cmath>

namespace quillbox {

namespace {

// The cover scale of `size` over `target`: the smallest scale at which it
// fills the target in both directions.
double coverScale(QSize size, QSize target) {
    return std::max(double(target.width()) / size.width(), double(target.height()) / size.height());
}

} // namespace

PreviewImageCache::PreviewImageCache(QObject* parent)
    : QObject(parent)
    , m_images(int(defaultByteLimit))
    , m_failures(maxRememberedFailures)
    , m_decoder(&PreviewImageCache::decodeFilling) {
    m_pool.setMaxThreadCount(maxDecodesInFlight);
    m_pool.setObjectName(QStringLiteral("PreviewImageDecoder"));
}

PreviewImageCache::~PreviewImageCache() {
    m_waiting.clear();
    // Decodes still running post their results to this object; once they
    // are done, destroying it discards those results.
    m_pool.waitForDone();
}

std::optional<QImage> PreviewImageCache::decodeFilling(const QByteArray& bytes, QSize pixelSize) {
    if (bytes.isEmpty() || pixelSize.isEmpty())
        return std::nullopt;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    if (ImageDecodeBudget::isTooCostly(bytes, stored))
        return std::nullopt;
    if (stored.isValid() && !stored.isEmpty() &&
        reader.supportsOption(QImageIOHandler::ScaledSize)) {
        // Formats that can decode smaller (JPEG) go straight to about the
        // size shown, instead of decoding a photograph in full.
        const bool isTurned = reader.transformation() & QImageIOHandler::TransformationRotate90;
        const QSize upright = isTurned ? stored.transposed() : stored;
        const double scale = coverScale(upright, pixelSize);
        if (scale < 1.0)
            reader.setScaledSize(QSize(int(std::ceil(stored.width() * scale)),
                                       int(std::ceil(stored.height() * scale))));
    }
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    const double scale = coverScale(image.size(), pixelSize);
    const QSize scaled(std::max(pixelSize.width(), int(std::ceil(image.width() * scale))),
                       std::max(pixelSize.height(), int(std::ceil(image.height() * scale))));
    image = image.scaled(scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QRect centre((scaled.width() - pixelSize.width()) / 2,
                       (scaled.height() - pixelSize.height()) / 2, pixelSize.width(),
                       pixelSize.height());
    return image.copy(centre).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void PreviewImageCache::setDecoder(Decoder decoder) {
    m_decoder = std::move(decoder);
}

QString PreviewImageCache::failureKey(const ClipboardItem& item) {
    return item.id().toString(QUuid::WithoutBraces) + u':' + item.contentHash();
}

bool PreviewImageCache::hasFailed(const ClipboardItem& item) const {
    return m_failures.contains(failureKey(item));
}

std::optional<QImage> PreviewImageCache::image(const ClipboardItemPtr& item, QSize pixelSize) {
    if (!item)
        return std::nullopt;
    const QUuid id = item->id();
    if (const Entry* entry = m_images.object(id)) {
        if (entry->contentHash == item->contentHash()) {
            const QImage image = entry->image;
            if (image.size() != pixelSize)
                enqueue(item, pixelSize);
            return image;
        }
        m_images.remove(id);
    }
    if (!hasFailed(*item))
        enqueue(item, pixelSize);
    return std::nullopt;
}

void PreviewImageCache::enqueue(const ClipboardItemPtr& item, QSize pixelSize) {
    const QUuid id = item->id();
    if (m_running.contains(id))
        return;
    const auto same = [&](const Request& request) { return request.id == id; };
    m_waiting.erase(std::remove_if(m_waiting.begin(), m_waiting.end(), same), m_waiting.end());
    m_waiting.push_front(Request{item, id, pixelSize});
    while (int(m_waiting.size()) > maxWaitingRequests)
        m_waiting.pop_back();
    startDecodes();
}

void PreviewImageCache::dropWaitingRequests() {
    m_waiting.clear();
}

void PreviewImageCache::startDecodes() {
    while (m_inFlight < maxDecodesInFlight && !m_waiting.empty()) {
        const Request request = m_waiting.front();
        m_waiting.pop_front();
        const ClipboardItemPtr item = request.item.lock();
        if (!item)
            continue;
        // The payload comes from the store, whose connection is the main
        // thread's: read here, decode there.
        const QByteArray bytes = item->previewImageData();
        const QString contentHash = item->contentHash();
        const QString failure = failureKey(*item);
        ++m_inFlight;
        m_running.insert(request.id);
        m_pool.start([this, bytes, decoder = m_decoder, id = request.id, size = request.pixelSize,
                      contentHash, failure] {
            std::optional<QImage> image = decoder(bytes, size);
            QMetaObject::invokeMethod(
                this,
                [this, id, contentHash, failure, image] {
                    finish(id, contentHash, failure, image);
                },
                Qt::QueuedConnection);
        });
    }
}

void PreviewImageCache::finish(const QUuid& id, const QString& contentHash, const QString& failure,
                               const std::optional<QImage>& image) {
    --m_inFlight;
    m_running.remove(id);
    if (image && !image->isNull()) {
        const qsizetype cost = std::max<qsizetype>(1, image->sizeInBytes());
        // An image larger than the whole cache is not kept (and decoded
        // again when its card is next painted).
        if (m_images.insert(id, new Entry{*image, contentHash}, cost))
            Q_EMIT imageReady(id);
    } else {
        qCInfo(lcUi).noquote() << "Quillbox: the preview image of item"
                               << id.toString(QUuid::WithoutBraces)
                               << "does not decode; the card shows a placeholder";
        m_failures.insert(failure, new bool(true));
    }
    startDecodes();
}

void PreviewImageCache::setByteLimit(qint64 bytes) {
    m_images.setMaxCost(qsizetype(std::max<qint64>(0, bytes)));
}

qint64 PreviewImageCache::byteLimit() const {
    return m_images.maxCost();
}

qint64 PreviewImageCache::bytesUsed() const {
    return m_images.totalCost();
}

} // namespace quillbox
