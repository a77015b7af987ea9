#include "ui/FileIcons.h"

#include <QFile>
#include <QImageIOHandler>
#include <QImageReader>
#include <QMimeDatabase>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillbox {

namespace {

constexpr int typeIconCacheSize = 256;
constexpr int workerCount = 2;
constexpr qreal thumbnailRadius = 4;

// The image types the reader decodes, by MIME name.
const QSet<QByteArray>& readableImageTypes() {
    static const QSet<QByteArray> types = [] {
        const QList<QByteArray> list = QImageReader::supportedMimeTypes();
        return QSet<QByteArray>(list.cbegin(), list.cend());
    }();
    return types;
}

// From the file's name only: no file is opened or looked at.
QMimeType mimeTypeByName(const QString& path) {
    static const QMimeDatabase database;
    return database.mimeTypeForFile(path, QMimeDatabase::MatchExtension);
}

} // namespace

FileIcons::FileIcons(QObject* parent)
    : QObject(parent)
    , m_entries(qsizetype(cacheByteLimit))
    , m_typeIcons(typeIconCacheSize) {
    m_pool.setMaxThreadCount(workerCount);
    m_pool.setObjectName(QStringLiteral("FileIconProbe"));
}

FileIcons::~FileIcons() {
    m_pool.clear();
    m_pool.waitForDone();
}

FileIcons::Probe FileIcons::probe(const QString& path, QSize pixelSize) {
    Probe result;
    const QByteArray name = QFile::encodeName(path);
    struct stat before {};
    if (::stat(name.constData(), &before) != 0)
        return result;
    if (S_ISDIR(before.st_mode)) {
        result.kind = Kind::directory;
        return result;
    }
    // FIFOs, sockets and devices are never opened: opening some of them
    // blocks or has effects of its own.
    if (!S_ISREG(before.st_mode)) {
        result.kind = Kind::other;
        return result;
    }
    result.kind = Kind::regularFile;
    if (!readableImageTypes().contains(mimeTypeByName(path).name().toLatin1()) ||
        before.st_size > maxImageFileBytes || pixelSize.isEmpty())
        return result;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return result;
    // The path may have been swapped for something else meanwhile.
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_ino != before.st_ino ||
        opened.st_dev != before.st_dev || opened.st_size > maxImageFileBytes) {
        ::close(fd);
        return result;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return result;
    }
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    const bool scalesWhileDecoding = reader.supportsOption(QImageIOHandler::ScaledSize);
    if (!stored.isValid() || stored.isEmpty() ||
        (!scalesWhileDecoding && qint64(stored.width()) * stored.height() > maxFullDecodePixels))
        return result;
    const QSize fitted = stored.scaled(pixelSize, Qt::KeepAspectRatio);
    if (fitted.width() < stored.width())
        reader.setScaledSize(fitted.expandedTo(QSize(1, 1)));
    QImage image = reader.read();
    if (image.isNull())
        return result;
    if (image.width() > pixelSize.width() || image.height() > pixelSize.height())
        image = image.scaled(pixelSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    result.thumbnail = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return result;
}

std::optional<QImage> FileIcons::thumbnail(const QString& path, QSize pixelSize) {
    if (const Entry* entry = m_entries.object(path)) {
        // Another size shows until this one arrives.
        if (entry->pixelSize != pixelSize && !entry->probe.thumbnail.isNull())
            request(path, pixelSize);
        if (!entry->probe.thumbnail.isNull())
            return entry->probe.thumbnail;
        return std::nullopt;
    }
    request(path, pixelSize);
    return std::nullopt;
}

FileIcons::Kind FileIcons::kind(const QString& path) const {
    const Entry* entry = m_entries.object(path);
    return entry ? entry->probe.kind : Kind::unknown;
}

void FileIcons::request(const QString& path, QSize pixelSize) {
    if (path.isEmpty() || m_running.contains(path))
        return;
    m_running.insert(path);
    m_pool.start([this, path, pixelSize] {
        const Probe result = probe(path, pixelSize);
        QMetaObject::invokeMethod(
            this, [this, path, pixelSize, result] { finish(path, pixelSize, result); },
            Qt::QueuedConnection);
    });
}

void FileIcons::finish(const QString& path, QSize pixelSize, const Probe& result) {
    m_running.remove(path);
    const qsizetype cost = std::max<qsizetype>(1, result.thumbnail.sizeInBytes());
    m_entries.insert(path, new Entry{result, pixelSize}, cost);
    Q_EMIT thumbnailReady(path);
}

QIcon FileIcons::typeIcon(const QString& path, Kind kind) {
    if (kind == Kind::directory)
        return QIcon::fromTheme(QStringLiteral("folder"));
    if (const QIcon* cached = m_typeIcons.object(path))
        return *cached;
    const QMimeType type = mimeTypeByName(path);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    m_typeIcons.insert(path, new QIcon(icon));
    return icon;
}

bool FileIcons::paint(QPainter& painter, const QRectF& rect, const QString& path) {
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize pixels(int(std::lround(rect.width() * ratio)),
                       int(std::lround(rect.height() * ratio)));
    if (const auto image = thumbnail(path, pixels)) {
        // Aspect kept, standing on the icon's baseline at its left.
        const QSizeF shown = QSizeF(image->size()).scaled(rect.size(), Qt::KeepAspectRatio);
        const QRectF target(rect.left(), rect.bottom() - shown.height(), shown.width(),
                            shown.height());
        QPainterPath shape;
        shape.addRoundedRect(target, thumbnailRadius, thumbnailRadius);
        painter.save();
        painter.setClipPath(shape, Qt::IntersectClip);
        painter.drawImage(target, *image);
        painter.restore();
        return true;
    }
    const QIcon icon = typeIcon(path, kind(path));
    if (icon.isNull())
        return false;
    icon.paint(&painter, rect.toAlignedRect());
    return true;
}

} // namespace quillbox
