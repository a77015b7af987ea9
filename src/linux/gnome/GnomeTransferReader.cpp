#include "linux/desktop/ClipboardMime.h"
#include "linux/gnome/GnomeTransferReader_p.h"

#include <QElapsedTimer>
#include <QHash>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace quillbox {

GnomeTransferReader::GnomeTransferReader(const GnomeReadLimits& limits, QObject* parent)
    : QObject(parent)
    , m_limits(limits) {
    if (::pipe2(m_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        m_stopPipe[0] = m_stopPipe[1] = -1;
    m_thread = std::thread([this] { run(); });
}

GnomeTransferReader::~GnomeTransferReader() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_stopPipe[1] >= 0)
        (void)::write(m_stopPipe[1], "x", 1); // ends a read in progress
    m_thread.join();
    for (const auto& job : m_jobs) {
        for (const auto& pipe : job.pipes)
            ::close(pipe.second);
    }
    for (int fd : m_stopPipe) {
        if (fd >= 0)
            ::close(fd);
    }
}

void GnomeTransferReader::enqueue(GnomeTransferJob job) {
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void GnomeTransferReader::run() {
    for (;;) {
        GnomeTransferJob job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_stopping)
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        auto snapshot = read(job);
        for (const auto& pipe : job.pipes)
            ::close(pipe.second);
        Q_EMIT snapshotRead(std::move(snapshot));
    }
}

std::shared_ptr<const ClipboardSnapshot>
GnomeTransferReader::read(const GnomeTransferJob& job) const {
    if (!job.owned)
        return std::make_shared<const ClipboardSnapshot>();
    struct Pipe {
        QByteArray mimeType;
        int fd;
        QByteArray bytes;
        bool open = true;
        bool tooLarge = false;
    };
    std::vector<Pipe> pipes;
    for (const auto& [mimeType, fd] : job.pipes)
        pipes.push_back({mimeType, fd, {}});
    QElapsedTimer total;
    total.start();
    QElapsedTimer idle;
    idle.start();
    char buffer[64 * 1024];
    for (;;) {
        std::vector<pollfd> polled;
        std::vector<Pipe*> owners;
        for (auto& pipe : pipes) {
            if (pipe.open) {
                polled.push_back({pipe.fd, POLLIN, 0});
                owners.push_back(&pipe);
            }
        }
        if (polled.empty())
            break;
        polled.push_back({m_stopPipe[0], POLLIN, 0});
        const qint64 left = std::min(m_limits.idleTimeout.count() - idle.elapsed(),
                                     m_limits.totalTimeout.count() - total.elapsed());
        if (left <= 0)
            break; // what has not ended by now is left out
        const int ready = ::poll(polled.data(), polled.size(), int(left));
        if (ready < 0 && errno != EINTR)
            break;
        if (polled.back().revents != 0)
            break; // the reader is going away
        for (std::size_t i = 0; i + 1 < polled.size(); ++i) {
            if (polled[i].revents == 0)
                continue;
            Pipe& pipe = *owners[i];
            const ssize_t n = ::read(pipe.fd, buffer, sizeof buffer);
            if (n > 0) {
                idle.restart();
                if (pipe.bytes.size() + n > m_limits.maximumRepresentationSize) {
                    pipe.tooLarge = true;
                    pipe.open = false;
                    pipe.bytes.clear();
                } else {
                    pipe.bytes.append(buffer, n);
                }
            } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                pipe.open = false;
                pipe.tooLarge = pipe.tooLarge || n != 0;
            }
        }
    }
    QHash<QByteArray, QByteArray> representations;
    for (const auto& pipe : pipes) {
        // An unfinished, refused (nothing written) or oversized
        // representation is not fetched at all.
        if (!pipe.open && !pipe.tooLarge && !pipe.bytes.isEmpty())
            representations.insert(pipe.mimeType, pipe.bytes);
    }
    return std::make_shared<const ClipboardSnapshot>(job.offered, representations);
}

} // namespace quillbox
