#pragma once

#include <QIconEngine>
#include <QImage>
#include <QMutex>
#include <QString>
#include <memory>

namespace quillbox {

// An icon drawn from a picture file that another program may control: the
// file is opened and decoded on a worker thread (a regular file only, of
// bounded size), and the icon draws nothing until the picture is there.
// Copies share the one reading.
class FileIconEngine : public QIconEngine {
public:
    // Picture files larger than this are not icons.
    static constexpr qint64 maxFileSize = 4 * 1024 * 1024;
    // Decoded pictures are bounded to this many pixels on the long side.
    static constexpr int maxIconSide = 512;

    explicit FileIconEngine(const QString& path);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;
    bool isNull() override;

    // The picture of a regular file at `path`, or a null image; may wait on
    // the file system, so never on the main thread.
    static QImage readPicture(const QString& path);

private:
    struct Picture {
        QMutex mutex;
        QImage image;
        bool isRead = false;
    };
    explicit FileIconEngine(std::shared_ptr<Picture> picture);
    QImage image() const;

    std::shared_ptr<Picture> m_picture;
};

} // namespace quillbox
