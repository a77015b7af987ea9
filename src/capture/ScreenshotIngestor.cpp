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
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Whether the bytes reach the end their format marks: a JPEG's end-of-image
// marker after its last scan, a PNG's IEND chunk. A file cut short still
// decodes (JPEG fills the rest with grey), so decoding does not tell.
bool reachesItsEnd(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xD8"))
        return bytes.lastIndexOf("\xFF\xD9") > bytes.lastIndexOf("\xFF\xDA");
    if (bytes.startsWith("\x89PNG"))
        return bytes.indexOf("IEND", std::max<qsizetype>(0, bytes.size() - 64)) >= 0;
    return true;
}

} // namespace

struct ScreenshotIngestor::Prepared {
    QString path;
    Outcome outcome = Outcome::unreadable; // `recorded`: ready to be recorded
    QByteArray bytes;
    QString hash;
    std::optional<ImageThumbnailer::Result> thumbnail;
};

ScreenshotIngestor::ScreenshotIngestor(HistoryStore& store, NotificationCenter& notifications,
                                       OCRService* ocr, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_notifications(notifications)
    , m_ocr(ocr) {
    m_worker.setMaxThreadCount(1);
}

ScreenshotIngestor::~ScreenshotIngestor() {
    // What the worker hands back is posted to this object; once it has
    // finished, nothing more is, and what was posted dies with the object.
    m_worker.clear();
    m_worker.waitForDone();
}

void ScreenshotIngestor::ingest(const QString& path) {
    if (m_ingestedPaths.contains(path) || m_queuedPaths.contains(path))
        return;
    m_queuedPaths.insert(path);
    m_worker.start([this, path] {
        const Prepared prepared = prepare(path);
        QMetaObject::invokeMethod(
            this, [this, prepared] { finish(prepared); }, Qt::QueuedConnection);
    });
}

ScreenshotIngestor::Prepared ScreenshotIngestor::prepare(const QString& path) {
    Prepared prepared;
    prepared.path = path;
    // The folder is anyone's to write in: only a regular file is read, and a
    // pipe is not waited on (O_NONBLOCK), whatever the path named before.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return prepared;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size == 0) {
        ::close(fd);
        return prepared;
    }
    if (status.st_size > fileSizeLimit) {
        ::close(fd);
        qCWarning(lcCapture) << "Quillbox: screenshot" << path << "is larger than" << fileSizeLimit
                             << "bytes; not recorded";
        return prepared;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return prepared;
    }
    prepared.bytes = file.read(status.st_size);
    if (prepared.bytes.isEmpty())
        return prepared;
    // The same hash the clipboard path gives the same bytes: no re-encoding.
    prepared.hash = sha256Hash(prepared.bytes);
    // The thumbnailer answers from the header alone when the pixels do not
    // decode; only a thumbnail shows the whole image was there.
    prepared.thumbnail = ImageThumbnailer::process(prepared.bytes, thumbnailMaxPixelSize);
    // An image too costly to decode is kept without a preview, as on the
    // clipboard.
    const bool isKeptWithoutPreview = prepared.thumbnail && prepared.thumbnail->isTooCostly;
    if (!prepared.thumbnail || (!prepared.thumbnail->thumbnailPNG && !isKeptWithoutPreview)) {
        // Unlike a clipboard image, a file that does not decode is not kept:
        // it is half-written or damaged, and a rewrite brings it back here.
        qCWarning(lcCapture) << "Quillbox: screenshot" << path
                             << "is not a readable image; not recorded";
        prepared.outcome = Outcome::notAnImage;
        return prepared;
    }
    if (!reachesItsEnd(prepared.bytes)) {
        // Being written still, or cut short: the writer's next close brings
        // it back here.
        qCInfo(lcCapture) << "Quillbox: screenshot" << path << "is incomplete; not recorded yet";
        prepared.outcome = Outcome::notAnImage;
        return prepared;
    }
    prepared.outcome = Outcome::recorded;
    return prepared;
}

void ScreenshotIngestor::finish(const Prepared& prepared) {
    m_queuedPaths.remove(prepared.path);
    const Result result = record(prepared);
    Q_EMIT ingested(prepared.path, result);
}

ScreenshotIngestor::Result ScreenshotIngestor::record(const Prepared& prepared) {
    if (m_ingestedPaths.contains(prepared.path))
        return {Outcome::alreadyHandled, nullptr};
    if (prepared.outcome != Outcome::recorded)
        return {prepared.outcome, nullptr};
    if (m_store.itemWithHash(prepared.hash)) {
        m_ingestedPaths.insert(prepared.path);
        return {Outcome::duplicate, nullptr};
    }
    m_ingestedPaths.insert(prepared.path);

    const QFileInfo info(prepared.path);
    ParsedClipboardContent content;
    content.content = prepared.bytes;
    content.plainText = info.fileName();
    content.contentType = contentTypeForExtension(info.suffix());
    content.category = ContentCategory::image;
    content.contentHash = prepared.hash;
    content.filePath = prepared.path;
    content.imageDimensions = prepared.thumbnail->dimensionsDescription();
    content.thumbnailData = prepared.thumbnail->thumbnailPNG;
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
