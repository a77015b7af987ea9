#pragma once

#include <QCache>
#include <QIcon>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QThreadPool>
#include <optional>

class QPainter;

namespace quillbox {

// What a file card shows for a file: a thumbnail when the file is an image,
// else the icon of its type from the icon theme (a folder's for a folder).
//
// The file belongs to another program and may be anything by now: a FIFO, a
// device, a huge file, a path on a hung network mount. So nothing of it is
// touched on the main thread, where the type comes from the name alone; a
// worker looks at the file once, opens only a regular file of bounded size,
// decodes it at the size shown, and thumbnailReady repaints the card.
class FileIcons : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 maxImageFileBytes = 32 * 1024 * 1024;
    // Images larger than this are decoded only by formats that decode
    // straight to a smaller size (JPEG).
    static constexpr qint64 maxFullDecodePixels = 40'000'000;
    static constexpr qint64 cacheByteLimit = 8 * 1024 * 1024;

    enum class Kind { unknown, regularFile, directory, other };
    struct Probe {
        Kind kind = Kind::unknown;
        QImage thumbnail; // null unless an image file decoded
    };

    explicit FileIcons(QObject* parent = nullptr);
    ~FileIcons() override;

    // Paints the file's picture into `rect`: its thumbnail when decoded, else
    // its type's icon; false when the theme has no icon for it either.
    bool paint(QPainter& painter, const QRectF& rect, const QString& path);
    // The file's thumbnail, when one was decoded; otherwise asks for one
    // (once per file and size) and thumbnailReady follows.
    std::optional<QImage> thumbnail(const QString& path, QSize pixelSize);
    // What the worker found at the path; unknown until it looked.
    Kind kind(const QString& path) const;

    // Looks at the file and, for an image file, decodes it to fit within
    // `pixelSize`. Blocks: worker threads only.
    static Probe probe(const QString& path, QSize pixelSize);

Q_SIGNALS:
    void thumbnailReady(const QString& path);

private:
    struct Entry {
        Probe probe;
        QSize pixelSize;
    };

    QIcon typeIcon(const QString& path, Kind kind);
    void request(const QString& path, QSize pixelSize);
    void finish(const QString& path, QSize pixelSize, const Probe& probe);

    QCache<QString, Entry> m_entries;
    QSet<QString> m_running;
    QCache<QString, QIcon> m_typeIcons;
    QThreadPool m_pool;
};

} // namespace quillbox
