#pragma once

#include "linux/desktop/ClipboardSnapshot.h"
#include "linux/x11/XcbConnection.h"

#include <QObject>
#include <atomic>
#include <chrono>
#include <memory>

class QThread;

namespace quillbox {

// How long an owner may take to answer one request. A well-behaved owner
// answers within a few milliseconds; one that does not is given up on.
inline constexpr std::chrono::milliseconds clipboardRequestTimeout{300};
// How long an owner that has begun an incremental transfer may take for each
// next chunk: it has shown it answers, and a busy machine may hold up a
// sender of megabyte chunks longer than a request.
inline constexpr std::chrono::milliseconds clipboardChunkTimeout{1000};
// Requests and chunks when the owner is this process: Qt answers from the
// main thread, which may be busy for a while (recording a large copy), and
// which surely answers once it is free.
inline constexpr std::chrono::milliseconds clipboardOwnProcessTimeout{5000};
// Representations larger than this are left out rather than held in memory.
inline constexpr qsizetype clipboardMaximumRepresentationSize = qsizetype(256) * 1024 * 1024;

struct ClipboardReadLimits {
    std::chrono::milliseconds requestTimeout = clipboardRequestTimeout;
    qsizetype maximumRepresentationSize = clipboardMaximumRepresentationSize;
    std::chrono::milliseconds chunkTimeout = clipboardChunkTimeout;
    std::chrono::milliseconds ownProcessTimeout = clipboardOwnProcessTimeout;
};

// Watches the CLIPBOARD selection and reads each new owner's contents on a
// worker thread with an X connection of its own, so that an owner that is
// slow or never answers cannot hold up the main thread. Each finished read is
// announced with snapshotRead, delivered on the thread the reader lives on.
class X11ClipboardReader : public QObject {
    Q_OBJECT
public:
    explicit X11ClipboardReader(const ClipboardReadLimits& limits = {}, QObject* parent = nullptr);
    ~X11ClipboardReader() override;

    // Opens the display and starts watching; the first snapshot is the
    // contents found at start (isChange false). False when there is no display.
    bool start();
    void stop();

    // The windows the reader asks owners from (once started): requests from
    // them to Quillbox's own offer are its own reads.
    XcbClientWindows requestorWindows() const { return m_requestorWindows; }

    // Whether an application that quits and asks the clipboard manager to
    // save its contents is told they were saved (when they were read).
    void setKeepsContentsOfOwnersThatQuit(bool keeps) { m_keepsContents->store(keeps); }

Q_SIGNALS:
    void snapshotRead(std::shared_ptr<const quillbox::ClipboardSnapshot> snapshot, bool isChange);
    // After the (empty) snapshot of a change in which the owner's window was
    // destroyed or its client closed, leaving the selection without owner.
    void ownerVanished();

private:
    class Worker;
    ClipboardReadLimits m_limits;
    XcbClientWindows m_requestorWindows;
    // Shared with the worker's thread.
    std::shared_ptr<std::atomic<bool>> m_keepsContents = std::make_shared<std::atomic<bool>>(true);
    std::unique_ptr<Worker> m_worker;
    std::unique_ptr<QThread> m_thread;
    int m_stopPipe[2] = {-1, -1};
};

} // namespace quillbox
