#include "app/SingleInstanceLock.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quillbox {

namespace {
constexpr mode_t lockFileMode = 0600;
} // namespace

SingleInstanceLock::~SingleInstanceLock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

SingleInstanceLock::Result SingleInstanceLock::tryLock(const QString& path) {
    if (m_fd >= 0)
        return Result::acquired;
    const QByteArray name = QFile::encodeName(path);
    // O_NOFOLLOW: a link planted at the path must not make us create or lock
    // a file elsewhere.
    const int fd =
        ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, lockFileMode);
    if (fd < 0) {
        m_errorString = QStringLiteral("could not open %1: %2")
                            .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return Result::unavailable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return Result::heldElsewhere;
        m_errorString = QStringLiteral("could not lock %1: %2")
                            .arg(path, QString::fromLocal8Bit(std::strerror(error)));
        return Result::unavailable;
    }
    m_fd = fd;
    return Result::acquired;
}

} // namespace quillbox
