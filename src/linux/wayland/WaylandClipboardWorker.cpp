#include "content/Logging.h"
#include "linux/desktop/ClipboardMime.h"
#include "linux/wayland/DataControl_p.h"
#include "linux/wayland/WaylandClipboardWorker_p.h"
#include "linux/wayland/WaylandConnection_p.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace quillbox {

namespace {

// Copies in flight at once. Each holds a pipe per wanted type; past this the
// oldest is given up, as copies then come faster than any source answers.
constexpr std::size_t maximumReadsInFlight = 32;
// Read from one pipe per turn of the loop, so that one large transfer does
// not hold up the others (and the compositor's events) for long.
constexpr qsizetype readPerTurn = qsizetype(4) * 1024 * 1024;
constexpr qsizetype readChunk = qsizetype(64) * 1024;

int millisecondsUntil(WaylandConnection::Clock::time_point when) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(when - WaylandConnection::Clock::now());
    return int(std::clamp<long long>(left.count(), 0, 60000));
}

} // namespace

const datacontrol::DeviceListener WaylandClipboard::Worker::deviceListener = {
    .dataOffer =
        [](void* data, wl_proxy*, wl_proxy* offer) {
            auto* self = static_cast<Worker*>(data);
            self->m_offers.insert(offer, {});
            datacontrol::addOfferListener(offer, &offerListener, self);
        },
    .selection = [](void* data, wl_proxy*,
                    wl_proxy* offer) { static_cast<Worker*>(data)->onSelection(offer); },
    .finished =
        [](void* data, wl_proxy*) {
            auto* self = static_cast<Worker*>(data);
            qCWarning(lcWayland) << "Quillbox: the compositor ended clipboard access";
            self->m_owner.m_available = false;
            Q_EMIT self->m_owner.becameUnavailable();
        },
    // The primary selection (middle-click) is not Quillbox's business.
    .primarySelection =
        [](void* data, wl_proxy*, wl_proxy* offer) {
            auto* self = static_cast<Worker*>(data);
            if (offer && self->m_offers.remove(offer))
                datacontrol::destroyOffer(offer);
        },
};

const datacontrol::OfferListener WaylandClipboard::Worker::offerListener = {
    .offer =
        [](void* data, wl_proxy* offer, const char* mimeType) {
            auto* self = static_cast<Worker*>(data);
            auto found = self->m_offers.find(offer);
            if (found != self->m_offers.end())
                found->append(QByteArray(mimeType));
        },
};

WaylandClipboard::Worker::Worker(WaylandClipboard& owner, const WaylandReadLimits& limits)
    : m_owner(owner)
    , m_limits(limits)
    , m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
}

WaylandClipboard::Worker::~Worker() {
    for (Read& read : m_reads) {
        for (Pipe& pipe : read.pipes)
            ::close(pipe.fd);
    }
    for (Send& send : m_sends)
        ::close(send.fd);
    if (m_connection) {
        destroySources();
        for (wl_proxy* offer : m_offers.keys())
            datacontrol::destroyOffer(offer);
        if (m_device)
            datacontrol::destroyDevice(m_device);
        if (m_manager)
            datacontrol::destroyManager(m_manager);
        if (m_seat)
            wl_proxy_destroy(m_seat);
        m_connection->flush();
    }
    m_connection.reset();
    if (m_wake >= 0)
        ::close(m_wake);
}

void WaylandClipboard::Worker::run() {
    // A reader that closes its end of a send makes our write fail with EPIPE
    // instead of ending the process; the signal is only ever this thread's.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);

    const bool bound = setUp();
    finishSetUp(bound);
    if (bound)
        serve();
    m_owner.m_available = false;
}

bool WaylandClipboard::Worker::setUp() {
    if (m_wake < 0)
        return false;
    m_connection = WaylandConnection::connect();
    if (!m_connection)
        return false;
    if (!m_connection->readGlobals(Clock::now() + std::chrono::seconds(2)))
        return false;
    const auto seat = m_connection->seat();
    const auto ext = m_connection->extDataControl();
    const auto wlr = m_connection->wlrDataControl();
    if (!seat.isPresent() || (!ext.isPresent() && !wlr.isPresent()))
        return false;
    m_protocol = ext.isPresent() ? &datacontrol::Protocol::ext() : &datacontrol::Protocol::wlr();
    const auto manager = ext.isPresent() ? ext : wlr;
    m_seat = static_cast<wl_proxy*>(
        wl_registry_bind(m_connection->registry(), seat.name, &wl_seat_interface, 1));
    m_manager = datacontrol::bindManager(*m_protocol, m_connection->registry(), manager.name,
                                         manager.version);
    m_device = datacontrol::getDevice(*m_protocol, m_manager, m_seat);
    datacontrol::addDeviceListener(m_device, &deviceListener, this);
    return m_connection->flush();
}

void WaylandClipboard::Worker::finishSetUp(bool bound) {
    {
        std::lock_guard lock(m_mutex);
        m_setUp = bound ? SetUp::Bound : SetUp::Failed;
        if (bound)
            m_managerName = QString::fromLatin1(m_protocol->managerName);
    }
    m_owner.m_available = bound;
    m_setUpChanged.notify_all();
}

bool WaylandClipboard::Worker::waitForSetUp(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    m_setUpChanged.wait_for(lock, timeout, [this] { return m_setUp != SetUp::Pending; });
    return m_setUp == SetUp::Bound;
}

QString WaylandClipboard::Worker::managerName() const {
    std::lock_guard lock(m_mutex);
    return m_managerName;
}

void WaylandClipboard::Worker::post(std::shared_ptr<const WaylandOffer> offer) {
    {
        std::lock_guard lock(m_mutex);
        m_commands.push_back(std::move(offer));
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(m_wake, &one, sizeof one);
}

void WaylandClipboard::Worker::requestStop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(m_wake, &one, sizeof one);
}

void WaylandClipboard::Worker::takeCommands() {
    std::uint64_t count = 0;
    [[maybe_unused]] auto drained = ::read(m_wake, &count, sizeof count);
    std::vector<std::shared_ptr<const WaylandOffer>> commands;
    {
        std::lock_guard lock(m_mutex);
        commands.swap(m_commands);
    }
    // Only the last of several writes in a row matters.
    if (!commands.empty())
        setOwnSelection(std::move(commands.back()));
}

void WaylandClipboard::Worker::serve() {
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                return;
        }
        if (!m_owner.m_available)
            return;
        pollOnce();
    }
}

void WaylandClipboard::Worker::pollOnce() {
    wl_display* display = m_connection->display();
    while (wl_display_prepare_read(display) != 0) {
        if (wl_display_dispatch_pending(display) < 0) {
            m_owner.m_available = false;
            Q_EMIT m_owner.becameUnavailable();
            return;
        }
    }
    m_connection->flush();

    // The display, the wake-up, then each read's pipes, then each send.
    std::vector<pollfd> fds;
    fds.push_back({m_connection->fileDescriptor(), POLLIN, 0});
    fds.push_back({m_wake, POLLIN, 0});
    auto next = Clock::time_point::max();
    for (const Read& read : m_reads) {
        for (const Pipe& pipe : read.pipes) {
            fds.push_back({pipe.fd, POLLIN, 0});
            next = std::min({next, pipe.lastActivity + m_limits.idleTimeout, read.deadline});
        }
    }
    for (const Send& send : m_sends) {
        fds.push_back({send.fd, POLLOUT, 0});
        next = std::min(next, send.deadline);
    }
    const int timeout = next == Clock::time_point::max() ? -1 : millisecondsUntil(next);
    const int ready = ::poll(fds.data(), fds.size(), timeout);

    if (ready > 0 && (fds[0].revents & (POLLIN | POLLERR | POLLHUP))) {
        if (wl_display_read_events(display) < 0) {
            qCWarning(lcWayland) << "Quillbox: lost the connection to the compositor";
            m_owner.m_available = false;
            Q_EMIT m_owner.becameUnavailable();
            return;
        }
    } else {
        wl_display_cancel_read(display);
    }
    // The descriptors polled are matched by position before events change
    // the lists: reads begun and sends asked for by these events come after.
    std::size_t position = 2;
    if (ready > 0) {
        for (Read& read : m_reads) {
            std::vector<std::size_t> readable;
            for (std::size_t i = 0; i < read.pipes.size(); ++i, ++position) {
                if (fds[position].revents)
                    readable.push_back(i);
            }
            // From the back, so closing one keeps the others' positions.
            for (auto i = readable.rbegin(); i != readable.rend(); ++i)
                readPipe(read, *i);
        }
        std::vector<std::size_t> writable;
        for (std::size_t i = 0; i < m_sends.size(); ++i, ++position) {
            if (fds[position].revents)
                writable.push_back(i);
        }
        for (auto i = writable.rbegin(); i != writable.rend(); ++i)
            writeSend(*i);
    }
    if (wl_display_dispatch_pending(display) < 0) {
        m_owner.m_available = false;
        Q_EMIT m_owner.becameUnavailable();
        return;
    }
    if (ready > 0 && (fds[1].revents & POLLIN))
        takeCommands();
    const auto now = Clock::now();
    expireReads(now);
    expireSends(now);
    announceFinishedReads();
}

void WaylandClipboard::Worker::onSelection(wl_proxy* offer) {
    QList<QByteArray> mimeTypes;
    if (offer)
        mimeTypes = m_offers.take(offer);
    // Offers announced but never made the selection are gone with this one.
    for (wl_proxy* stale : m_offers.keys())
        datacontrol::destroyOffer(stale);
    m_offers.clear();

    if (offer && isOwnSelection(mimeTypes)) {
        datacontrol::destroyOffer(offer); // already counted when it was written
        m_sawFirstSelection = true;
        return;
    }
    beginRead(offer, std::move(mimeTypes));
    if (offer)
        datacontrol::destroyOffer(offer); // the pipes asked for stay open
}

bool WaylandClipboard::Worker::isOwnSelection(const QList<QByteArray>& mimeTypes) const {
    if (!m_ownSelectionActive || m_sources.empty())
        return false;
    const WaylandOffer& offer = *m_sources.back().offer;
    if (offer.size() != mimeTypes.size())
        return false;
    for (const auto& entry : offer) {
        if (!mimeTypes.contains(entry.first))
            return false;
    }
    return true;
}

void WaylandClipboard::Worker::beginRead(wl_proxy* offer, QList<QByteArray> mimeTypes) {
    Read read;
    read.hasOwner = offer != nullptr;
    read.isChange = m_sawFirstSelection;
    m_sawFirstSelection = true;
    read.deadline = Clock::now() + m_limits.totalTimeout;
    if (offer) {
        // Nothing at all when a marker says the content must not be kept.
        for (const QByteArray& mimeType : ClipboardMime::targetsToFetch(mimeTypes)) {
            int ends[2];
            if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
                qCWarning(lcWayland)
                    << "Quillbox: no pipe for reading the clipboard:" << std::strerror(errno);
                continue;
            }
            datacontrol::receive(offer, mimeType.constData(), ends[1]);
            ::close(ends[1]); // the compositor has its own copy once sent
            read.pipes.push_back({mimeType, ends[0], {}, Clock::now()});
        }
        m_connection->flush();
    }
    read.mimeTypes = std::move(mimeTypes);
    if (m_reads.size() >= maximumReadsInFlight) {
        for (Pipe& pipe : m_reads.front().pipes)
            ::close(pipe.fd);
        m_reads.pop_front();
        qCWarning(lcWayland) << "Quillbox: the clipboard changed faster than its sources answered;"
                                " a copy was given up";
    }
    m_reads.push_back(std::move(read));
}

void WaylandClipboard::Worker::readPipe(Read& read, std::size_t index) {
    Pipe& pipe = read.pipes[index];
    qsizetype taken = 0;
    while (taken < readPerTurn) {
        if (pipe.bytes.capacity() < pipe.bytes.size() + readChunk)
            pipe.bytes.reserve(std::max(pipe.bytes.size() + readChunk, 2 * pipe.bytes.capacity()));
        const qsizetype before = pipe.bytes.size();
        pipe.bytes.resize(before + readChunk);
        const ssize_t count = ::read(pipe.fd, pipe.bytes.data() + before, std::size_t(readChunk));
        pipe.bytes.resize(before + std::max<ssize_t>(count, 0));
        if (count > 0) {
            taken += count;
            pipe.lastActivity = Clock::now();
            if (pipe.bytes.size() > m_limits.maximumRepresentationSize) {
                qCWarning(lcWayland).nospace()
                    << "Quillbox: clipboard data " << pipe.mimeType.constData()
                    << " is larger than " << m_limits.maximumRepresentationSize
                    << " bytes; left out";
                closePipe(read, index, false);
                return;
            }
            continue;
        }
        if (count == 0) {
            closePipe(read, index, true); // the source closed its end: all there
            return;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            closePipe(read, index, false);
        return;
    }
}

void WaylandClipboard::Worker::closePipe(Read& read, std::size_t index, bool keep) {
    Pipe& pipe = read.pipes[index];
    ::close(pipe.fd);
    if (keep) {
        pipe.bytes.squeeze();
        read.representations.insert(pipe.mimeType, std::move(pipe.bytes));
    }
    read.pipes.erase(read.pipes.begin() + qsizetype(index));
}

void WaylandClipboard::Worker::expireReads(Clock::time_point now) {
    for (Read& read : m_reads) {
        for (std::size_t i = read.pipes.size(); i-- > 0;) {
            const Pipe& pipe = read.pipes[i];
            const bool silent = now >= pipe.lastActivity + m_limits.idleTimeout;
            if (!silent && now < read.deadline)
                continue;
            qCWarning(lcWayland).nospace()
                << "Quillbox: the clipboard's source did not send " << pipe.mimeType.constData()
                << (silent ? " (silent for " : " (not done within ")
                << (silent ? m_limits.idleTimeout : m_limits.totalTimeout).count()
                << " ms); left out";
            closePipe(read, i, false);
        }
    }
}

void WaylandClipboard::Worker::announceFinishedReads() {
    // In the order the selections came: a copy still being read holds back
    // those after it.
    while (!m_reads.empty() && m_reads.front().isDone()) {
        Read read = std::move(m_reads.front());
        m_reads.pop_front();
        std::shared_ptr<const ClipboardSnapshot> snapshot =
            read.hasOwner
                ? std::make_shared<const ClipboardSnapshot>(read.mimeTypes, read.representations)
                : std::make_shared<const ClipboardSnapshot>();
        Q_EMIT m_owner.snapshotRead(std::move(snapshot), read.isChange);
    }
}

} // namespace quillbox
