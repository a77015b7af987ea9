#include "linux/desktop/FileIconEngine.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QThreadPool>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillbox {

FileIconEngine::FileIconEngine(const QString& path)
    : m_picture(std::make_shared<Picture>()) {
    QThreadPool::globalInstance()->start([picture = m_picture, path] {
        const QImage image = readPicture(path);
        const QMutexLocker lock(&picture->mutex);
        picture->image = image;
        picture->isRead = true;
    });
}

FileIconEngine::FileIconEngine(std::shared_ptr<Picture> picture)
    : m_picture(std::move(picture)) {
}

QImage FileIconEngine::readPicture(const QString& path) {
    // Without O_NONBLOCK, opening a named pipe waits for a writer; fstat on
    // the open descriptor then says what was opened, whatever the path
    // pointed at a moment before.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct stat status {};
    QFile file;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > maxFileSize ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    QByteArray bytes = file.read(maxFileSize);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (size.isValid() && std::max(size.width(), size.height()) > maxIconSide)
        reader.setScaledSize(size.scaled(maxIconSide, maxIconSide, Qt::KeepAspectRatio));
    else if (!size.isValid())
        reader.setScaledSize({maxIconSide, maxIconSide});
    return reader.read();
}

QImage FileIconEngine::image() const {
    const QMutexLocker lock(&m_picture->mutex);
    return m_picture->image;
}

void FileIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) {
    const QImage picture = image();
    if (picture.isNull())
        return;
    const QSize size = picture.size().scaled(rect.size(), Qt::KeepAspectRatio);
    QRect target(QPoint(), size);
    target.moveCenter(rect.center());
    painter->drawImage(target, picture);
}

QPixmap FileIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    QPixmap pixmap(actualSize(size, mode, state));
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    paint(&painter, pixmap.rect(), mode, state);
    return pixmap;
}

QSize FileIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State) {
    const QImage picture = image();
    if (picture.isNull())
        return size;
    return picture.size().scaled(size, Qt::KeepAspectRatio).boundedTo(size);
}

QIconEngine* FileIconEngine::clone() const {
    return new FileIconEngine(m_picture);
}

QString FileIconEngine::key() const {
    return QStringLiteral("QuillboxFileIconEngine");
}

bool FileIconEngine::isNull() {
    // Only a picture that was read and is not one makes it null: until
    // then the icon stands for one.
    const QMutexLocker lock(&m_picture->mutex);
    return m_picture->isRead && m_picture->image.isNull();
}

} // namespace quillbox
