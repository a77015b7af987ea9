// The thread of WaylandClipboard, shared by the files that make it up:
// WaylandClipboardWorker.cpp runs the loop and reads selections,
// WaylandClipboardSource.cpp serves Quillbox's own offers. Private to
// linux/wayland (scripts/check-layers.sh keeps it so); its .cpp files include
// DataControl_p.h and WaylandConnection_p.h first.
#pragma once

#include "linux/wayland/WaylandClipboard.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

struct wl_proxy;

namespace quillbox {

class WaylandConnection;
namespace datacontrol {
struct Protocol;
struct DeviceListener;
struct OfferListener;
struct SourceListener;
} // namespace datacontrol

class WaylandClipboard::Worker {
public:
    using Clock = std::chrono::steady_clock;

    Worker(WaylandClipboard& owner, const WaylandReadLimits& limits);
    ~Worker();

    // On the clipboard's thread: connects and binds, reports the outcome
    // through waitForSetUp(), then serves until asked to stop.
    void run();

    // From the main thread.
    bool waitForSetUp(std::chrono::milliseconds timeout);
    QString managerName() const;
    void post(std::shared_ptr<const WaylandOffer> offer);
    void requestStop();

private:
    // A selection being read: one pipe per wanted type, read all at once.
    struct Pipe {
        QByteArray mimeType;
        int fd = -1;
        QByteArray bytes;
        Clock::time_point lastActivity;
    };
    struct Read {
        bool hasOwner = false;
        bool isChange = true;
        QList<QByteArray> mimeTypes;
        std::vector<Pipe> pipes;
        QHash<QByteArray, QByteArray> representations;
        Clock::time_point deadline;
        bool isDone() const { return pipes.empty(); }
    };
    // A request of another client for Quillbox's offer, written as the
    // reader takes it.
    struct Send {
        int fd = -1;
        QByteArray bytes;
        qsizetype written = 0;
        Clock::time_point deadline;
    };
    struct OwnSource {
        wl_proxy* proxy = nullptr;
        std::shared_ptr<const WaylandOffer> offer;
    };

    bool setUp();
    void finishSetUp(bool bound);
    void serve();
    void pollOnce();
    void takeCommands();

    // Reading (WaylandClipboardWorker.cpp).
    void onSelection(wl_proxy* offer);
    bool isOwnSelection(const QList<QByteArray>& mimeTypes) const;
    void beginRead(wl_proxy* offer, QList<QByteArray> mimeTypes);
    void readPipe(Read& read, std::size_t index);
    void closePipe(Read& read, std::size_t index, bool keep);
    void expireReads(Clock::time_point now);
    void announceFinishedReads();

    // Serving our own offers (WaylandClipboardSource.cpp).
    void setOwnSelection(std::shared_ptr<const WaylandOffer> offer);
    void onSend(wl_proxy* source, const char* mimeType, int fd);
    void onCancelled(wl_proxy* source);
    void writeSend(std::size_t index);
    void expireSends(Clock::time_point now);
    void destroySources();

    static const datacontrol::DeviceListener deviceListener;
    static const datacontrol::OfferListener offerListener;
    static const datacontrol::SourceListener sourceListener;

    WaylandClipboard& m_owner;
    WaylandReadLimits m_limits;
    int m_wake = -1; // eventfd: commands wait, or stop

    std::unique_ptr<WaylandConnection> m_connection;
    const datacontrol::Protocol* m_protocol = nullptr;
    wl_proxy* m_seat = nullptr;
    wl_proxy* m_manager = nullptr;
    wl_proxy* m_device = nullptr;

    // The types each announced offer lists, until it is the selection or goes.
    QHash<wl_proxy*, QList<QByteArray>> m_offers;
    bool m_sawFirstSelection = false;
    std::deque<Read> m_reads;
    std::vector<Send> m_sends;
    std::vector<OwnSource> m_sources; // the newest is the one set last
    bool m_ownSelectionActive = false;

    mutable std::mutex m_mutex;
    std::condition_variable m_setUpChanged;
    enum class SetUp { Pending, Bound, Failed } m_setUp = SetUp::Pending;
    QString m_managerName;
    std::vector<std::shared_ptr<const WaylandOffer>> m_commands;
    bool m_stopping = false;
};

} // namespace quillbox
