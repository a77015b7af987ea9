#include "capture/ScreenshotIngestor.h"

#include "capture/ImageThumbnailer.h"
#include "capture/NotificationCenter.h"
#include "capture/OCRService.h"
#include "content/Hash.h"
#include "content/Logging.h"
#include "content/ParsedClipboardContent.h"
#include "content/PasteboardTypes.h"
#include "history/HistoryStore.h"

#include <QFile>
#include <QFileInfo>

namespace quillbox {

namespace {

// The stored type of a screenshot file, by its extension.
QString contentTypeForExtension(const QString& extension) {
    const QString lower = extension.toLower();
    if (lower == QStringLiteral("jpg") || lower == QStringLiteral("jpeg"))
        return PasteboardType::jpeg;
    if (lower == QStringLiteral("tiff") || lower == QStringLiteral("tif"))
        return PasteboardType::tiff;
    if (lower == QStringLiteral("heic"))
        return QStringLiteral("public.heic");
    return PasteboardType::png;
}

} // namespace

ScreenshotIngestor::ScreenshotIngestor(HistoryStore& store, NotificationCenter& notifications,
                                       OCRService* ocr, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_notifications(notifications)
    , m_ocr(ocr) {
}

ScreenshotIngestor::Result ScreenshotIngestor::ingest(const QString& path) {
    if (m_ingestedPaths.contains(path))
        return {Outcome::alreadyHandled, nullptr};

    const QFileInfo info(path);
    if (!info.isFile() || info.size() == 0)
        return {Outcome::unreadable, nullptr};
    if (info.size() > fileSizeLimit) {
        qCWarning(lcCapture) << "Quillbox: screenshot" << path << "is larger than" << fileSizeLimit
                             << "bytes; not recorded";
        return {Outcome::unreadable, nullptr};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCInfo(lcCapture) << "Quillbox: screenshot" << path
                          << "could not be read:" << file.errorString();
        return {Outcome::unreadable, nullptr};
    }
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty())
        return {Outcome::unreadable, nullptr};

    // The same hash the clipboard path gives the same bytes: no re-encoding.
    const QString hash = sha256Hash(bytes);
    if (m_store.itemWithHash(hash)) {
        m_ingestedPaths.insert(path);
        return {Outcome::duplicate, nullptr};
    }

    // The thumbnailer answers from the header alone when the pixels do not
    // decode; only a thumbnail shows the whole image was there.
    const auto thumbnail = ImageThumbnailer::process(bytes, thumbnailMaxPixelSize);
    if (!thumbnail || !thumbnail->thumbnailPNG) {
        // Unlike a clipboard image, a file that does not decode is not kept:
        // it is half-written or damaged, and a rewrite brings it back here.
        qCWarning(lcCapture) << "Quillbox: screenshot" << path
                             << "is not a readable image; not recorded";
        return {Outcome::notAnImage, nullptr};
    }
    m_ingestedPaths.insert(path);

    ParsedClipboardContent content;
    content.content = bytes;
    content.plainText = info.fileName();
    content.contentType = contentTypeForExtension(info.suffix());
    content.category = ContentCategory::image;
    content.contentHash = hash;
    content.filePath = path;
    content.imageDimensions = thumbnail->dimensionsDescription();
    content.thumbnailData = thumbnail->thumbnailPNG;
    content.title = sourceAppName;

    ClipboardItemPtr item = m_store.record(content, sourceAppIdentifier, sourceAppName);
    if (!item)
        return {Outcome::unreadable, nullptr};
    qCInfo(lcCapture) << "Quillbox: recorded screenshot" << info.fileName();
    m_notifications.postScreenshotCaptured(item);
    recognizeText(item);
    return {Outcome::recorded, item};
}

void ScreenshotIngestor::recognizeText(const ClipboardItemPtr& item) {
    if (!m_ocr)
        return;
    HistoryStore* store = &m_store;
    // Runs on the OCR worker; the answer comes back here, and not at all once
    // the ingestor is gone. The store ignores an item deleted meanwhile.
    whenRecognized(
        m_ocr->recognizeText(item->content()), this, [store, item](const OCRResult& result) {
            if (result.isSuccess())
                store->setOcrText(item, *result.text);
            else
                qCInfo(lcCapture) << "Quillbox: no text recognised in screenshot"
                                  << item->plainText().value_or(QString()) << result.message;
        });
}

} // namespace quillbox
