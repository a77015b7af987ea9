#pragma once

#include "linux/desktop/ClipboardSnapshot.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace quillbox {

// How long a source may take and how much it may send. A well-behaved source
// begins writing within milliseconds; one that does not is given up on.
struct WaylandReadLimits {
    // Until a source's first bytes, and between two of its writes.
    std::chrono::milliseconds idleTimeout{1000};
    // For one copy's representations altogether: a source that trickles is
    // cut off here even though it never falls silent for long.
    std::chrono::milliseconds totalTimeout{15000};
    // Representations larger than this are left out rather than held in memory.
    qsizetype maximumRepresentationSize = qsizetype(256) * 1024 * 1024;
    // How long a reader of Quillbox's own offer may take to take it all.
    std::chrono::milliseconds sendTimeout{5000};
};

// What Quillbox offers when it writes: MIME types and their bytes, in order.
using WaylandOffer = QList<QPair<QByteArray, QByteArray>>;

// The Wayland clipboard through data control (ext-data-control-v1 where the
// compositor offers it, else wlroots' v2) on a connection and a thread of its
// own, so that no compositor or other client can hold up the main thread:
// each new selection is read there (every wanted type at once, each pipe
// under the limits above) and announced with snapshotRead in the order the
// selections came; Quillbox's own offers are served there too.
class WaylandClipboard : public QObject {
    Q_OBJECT
public:
    explicit WaylandClipboard(const WaylandReadLimits& limits = {}, QObject* parent = nullptr);
    ~WaylandClipboard() override;

    // Connects and starts watching; waits (bounded) only for the compositor's
    // list of globals. The first snapshot is the selection found at start
    // (isChange false). False without a compositor or data control.
    bool start();
    void stop();

    // Whether the selection can be read and set: data control is bound and
    // the connection holds.
    bool isAvailable() const { return m_available.load(); }
    // The data-control manager in use, for diagnostics; empty when none.
    QString managerName() const;

    // Makes the offer the selection (done on the clipboard's thread); false
    // when data control is not available. Selections this offer causes are
    // not read back.
    bool setSelection(std::shared_ptr<const WaylandOffer> offer);

Q_SIGNALS:
    void snapshotRead(std::shared_ptr<const quillbox::ClipboardSnapshot> snapshot, bool isChange);
    // Data control went away (or never was): nothing more will be read.
    void becameUnavailable();

private:
    class Worker;
    friend class Worker;
    WaylandReadLimits m_limits;
    std::unique_ptr<Worker> m_worker;
    std::thread m_thread;
    std::atomic<bool> m_available{false};
    QString m_managerName; // set by start()
};

} // namespace quillbox
