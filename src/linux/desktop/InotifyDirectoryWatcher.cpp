#include "linux/desktop/InotifyDirectoryWatcher.h"

#include "content/Logging.h"

#include <QFile>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

namespace quillbox {

namespace {
// Room for many events per read; each is a header and a NUL-padded name.
constexpr std::size_t eventBufferSize = 64 * 1024;

DirectoryWatcher::FileEvent kindOf(std::uint32_t mask) {
    if (mask & IN_CLOSE_WRITE)
        return DirectoryWatcher::FileEvent::closedAfterWriting;
    // A made folder is never written to: it is complete at once.
    if ((mask & IN_CREATE) && !(mask & IN_ISDIR))
        return DirectoryWatcher::FileEvent::created;
    return DirectoryWatcher::FileEvent::movedIn;
}
} // namespace

InotifyDirectoryWatcher::InotifyDirectoryWatcher(QObject* parent)
    : QObject(parent) {
}

InotifyDirectoryWatcher::~InotifyDirectoryWatcher() {
    stop();
}

bool InotifyDirectoryWatcher::start(const QString& folderPath) {
    stop();
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) {
        qCWarning(lcCapture) << "Quillbox: inotify is not available:" << std::strerror(errno);
        return false;
    }
    const QByteArray path = QFile::encodeName(folderPath);
    // IN_CLOSE_WRITE tells when a writer is done; IN_MOVED_TO catches tools
    // that write a temporary file and rename it into place.
    if (inotify_add_watch(fd, path.constData(),
                          IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF |
                              IN_ONLYDIR) < 0) {
        // A folder that is not there is the caller's to wait for; other
        // failures (no watches left, no permission) are worth a warning.
        if (errno == ENOENT || errno == ENOTDIR)
            qCDebug(lcCapture) << "Quillbox: no folder to watch at" << folderPath;
        else
            qCWarning(lcCapture) << "Quillbox: cannot watch folder" << folderPath << ":"
                                 << std::strerror(errno);
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_folderPath = folderPath;
    m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this,
            &InotifyDirectoryWatcher::readEvents);
    return true;
}

void InotifyDirectoryWatcher::stop() {
    m_notifier.reset();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void InotifyDirectoryWatcher::readEvents() {
    alignas(inotify_event) static char buffer[eventBufferSize];
    const int fd = m_fd;
    QList<QPair<QString, FileEvent>> events;
    bool isGone = false;
    for (;;) {
        const ssize_t length = ::read(fd, buffer, sizeof buffer);
        if (length <= 0)
            break; // EAGAIN: all read
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW)
                events.append({QString(), FileEvent::movedIn}); // lost: look at everything
            else if (event->mask & (IN_IGNORED | IN_MOVE_SELF))
                isGone = true; // the folder was removed, unmounted or renamed
            else if (event->len > 0)
                events.append({QFile::decodeName(event->name), kindOf(event->mask)});
        }
    }
    for (const auto& [name, kind] : std::as_const(events)) {
        // A report may stop the watching; nothing is reported after that.
        if (m_fd != fd || !onFileEvent)
            return;
        onFileEvent(name, kind);
    }
    if (isGone && m_fd == fd) {
        // A renamed folder is still watched under its new name: not wanted,
        // the owner follows paths.
        qCInfo(lcCapture) << "Quillbox: the watched folder" << m_folderPath << "went away";
        stop();
        if (onFolderGone)
            onFolderGone();
    }
}

} // namespace quillbox
