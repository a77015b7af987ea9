#pragma once

#include "linux/desktop/ClipboardSnapshot.h"
#include "linux/gnome/GnomeReadLimits.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace quillbox {

// One copy to read: what its owner offered and, for each representation
// asked for, the read end of the pipe the Shell writes it into.
struct GnomeTransferJob {
    bool owned = false; // false: the clipboard has no owner
    QList<QByteArray> offered;
    QList<QPair<QByteArray, int>> pipes;
};

// Reads the pipes of each copy on a thread of its own, all of one copy at
// once, under the limits; announces each finished snapshot in the order the
// copies came. The Shell never holds up the main thread this way.
class GnomeTransferReader : public QObject {
    Q_OBJECT
public:
    explicit GnomeTransferReader(const GnomeReadLimits& limits, QObject* parent = nullptr);
    ~GnomeTransferReader() override;

    // Takes ownership of the job's descriptors.
    void enqueue(GnomeTransferJob job);

Q_SIGNALS:
    // From the reader's thread: connect queued.
    void snapshotRead(std::shared_ptr<const quillbox::ClipboardSnapshot> snapshot);

private:
    void run();
    std::shared_ptr<const ClipboardSnapshot> read(const GnomeTransferJob& job) const;

    GnomeReadLimits m_limits;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<GnomeTransferJob> m_jobs;
    bool m_stopping = false;
    int m_stopPipe[2] = {-1, -1};
    std::thread m_thread;
};

} // namespace quillbox
