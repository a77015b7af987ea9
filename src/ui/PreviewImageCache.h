#pragma once

#include "history/ClipboardItem.h"

#include <QCache>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QThreadPool>
#include <QUuid>
#include <deque>
#include <functional>
#include <optional>

namespace quillbox {

// Decoded preview images for the cards, already scaled and cropped to the
// size a card shows them at. Decoding runs on a small private thread pool, a
// couple of images at a time; the payload bytes are read on the main thread
// (the store's connection belongs to it) only when a decode starts, so
// requests for cards scrolled away before their turn cost nothing. The cache
// is bounded in bytes and drops the least recently used images. An image that
// does not decode is remembered for that item and content and not tried again.
class PreviewImageCache : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 defaultByteLimit = 24 * 1024 * 1024;
    // Decodes running at once; the rest wait their turn.
    static constexpr int maxDecodesInFlight = 2;
    // Waiting requests beyond this are dropped, oldest first: the newest ones
    // are the cards on screen.
    static constexpr int maxWaitingRequests = 32;
    // Items remembered as undecodable.
    static constexpr int maxRememberedFailures = 4096;

    // Turns image bytes into an image that fills `pixelSize` (aspect ratio
    // kept, overflow cropped about the centre); none when they don't decode.
    // Runs on a worker thread.
    using Decoder = std::function<std::optional<QImage>(const QByteArray& bytes, QSize pixelSize)>;

    explicit PreviewImageCache(QObject* parent = nullptr);
    ~PreviewImageCache() override;

    // The item's preview image, when one has been decoded. When none has been
    // decoded at `pixelSize`, a decode at that size is asked for (unless the
    // item is known not to decode) and imageReady follows when it is done;
    // meanwhile an image decoded at another size is returned, if any.
    std::optional<QImage> image(const ClipboardItemPtr& item, QSize pixelSize);
    // The item's payload is known not to decode.
    bool hasFailed(const ClipboardItem& item) const;
    // Forgets the requests that have not started (the cards scrolled away).
    void dropWaitingRequests();

    void setByteLimit(qint64 bytes);
    qint64 byteLimit() const;
    qint64 bytesUsed() const;
    int decodesInFlight() const { return m_inFlight; }
    int waitingRequests() const { return int(m_waiting.size()); }

    // The default decoder: fills pixelSize.
    static std::optional<QImage> decodeFilling(const QByteArray& bytes, QSize pixelSize);
    // Replaces the decoder (tests count and observe decodes with it).
    void setDecoder(Decoder decoder);

Q_SIGNALS:
    // A requested image is in the cache; the card showing the item repaints.
    void imageReady(const QUuid& id);

private:
    struct Entry {
        QImage image;
        QString contentHash;
    };
    struct Request {
        std::weak_ptr<ClipboardItem> item;
        QUuid id;
        QSize pixelSize;
    };

    static QString failureKey(const ClipboardItem& item);
    void enqueue(const ClipboardItemPtr& item, QSize pixelSize);
    void startDecodes();
    void finish(const QUuid& id, const QString& contentHash, const QString& failureKey,
                const std::optional<QImage>& image);

    QCache<QUuid, Entry> m_images;
    // Keys: id and content hash, so a changed item is tried again.
    QCache<QString, bool> m_failures;
    std::deque<Request> m_waiting; // newest first
    QSet<QUuid> m_running;
    int m_inFlight = 0;
    Decoder m_decoder;
    QThreadPool m_pool;
};

} // namespace quillbox
