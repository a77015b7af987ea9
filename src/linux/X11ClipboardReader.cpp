#include "linux/X11ClipboardReader.h"

#include "content/Logging.h"
#include "linux/ClipboardMime.h"
#include "linux/XcbConnection.h"

#include <QThread>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace quillbox {

namespace {

using Clock = std::chrono::steady_clock;

// Each request gets its own property (cycling through these), so a late
// answer to an abandoned request cannot overwrite the data of a newer one.
constexpr int propertyCount = 16;

template <typename T> using XcbReply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T> XcbReply<T> adopt(T* reply) {
    return XcbReply<T>(reply, &std::free);
}

struct OwnerChange {
    xcb_window_t owner = XCB_NONE;
    xcb_timestamp_t time = XCB_CURRENT_TIME;
    bool isChange = true;
};

enum class Outcome { Received, Refused, TimedOut, TooLarge, Interrupted };

struct Transfer {
    Outcome outcome = Outcome::Refused;
    QByteArray bytes;
    quint8 format = 8;
};

} // namespace

class X11ClipboardReader::Worker {
public:
    Worker(std::unique_ptr<XcbConnection> connection, const ClipboardReadLimits& limits, int stopFd,
           X11ClipboardReader* reader)
        : m_connection(std::move(connection))
        , m_limits(limits)
        , m_stopFd(stopFd)
        , m_reader(reader) {}

    void run();

private:
    bool setUp();
    std::shared_ptr<const ClipboardSnapshot> read(const OwnerChange& change);
    Transfer request(xcb_atom_t target, xcb_timestamp_t time);
    Transfer readProperty(xcb_atom_t property, const QByteArray& target);
    Transfer receiveIncrementally(xcb_atom_t property, const QByteArray& target, quint32 size);
    XcbReply<xcb_generic_event_t> nextEvent(std::optional<Clock::time_point> deadline);
    bool noteOwnerChange(const xcb_generic_event_t& event);
    bool isInterrupted() const { return m_stopping || m_pending.has_value(); }
    xcb_connection_t* c() const { return m_connection->get(); }

    std::uint32_t maximumWords() const {
        return std::uint32_t(m_limits.maximumRepresentationSize / 4 + 1);
    }

    std::unique_ptr<XcbConnection> m_connection;
    ClipboardReadLimits m_limits;
    int m_stopFd;
    X11ClipboardReader* m_reader;
    xcb_window_t m_window = XCB_NONE;
    xcb_atom_t m_clipboard = XCB_NONE;
    xcb_atom_t m_targets = XCB_NONE;
    xcb_atom_t m_incr = XCB_NONE;
    xcb_atom_t m_properties[propertyCount] = {};
    int m_nextProperty = 0;
    quint8 m_xfixesEvent = 0;
    std::optional<OwnerChange> m_pending;
    bool m_stopping = false;
};

void X11ClipboardReader::Worker::run() {
    if (!setUp()) {
        qCWarning(lcX11) << "Quillbox: cannot watch the clipboard: the X server lacks XFIXES";
        return;
    }
    while (!m_stopping) {
        if (m_pending) {
            const OwnerChange change = *m_pending;
            m_pending.reset();
            // A read interrupted by a newer owner is dropped; the loop reads
            // the newer owner instead.
            if (auto snapshot = read(change))
                Q_EMIT m_reader->snapshotRead(std::move(snapshot), change.isChange);
            continue;
        }
        nextEvent(std::nullopt); // only owner changes matter while idle
    }
}

bool X11ClipboardReader::Worker::setUp() {
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(c(), &xcb_xfixes_id);
    if (!xfixes || !xfixes->present)
        return false;
    m_xfixesEvent = xfixes->first_event;
    // XFixes answers nothing until the client has stated its version.
    auto version = adopt(xcb_xfixes_query_version_reply(
        c(), xcb_xfixes_query_version(c(), XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
        nullptr));
    if (!version)
        return false;

    m_clipboard = m_connection->atom("CLIPBOARD");
    m_targets = m_connection->atom("TARGETS");
    m_incr = m_connection->atom("INCR");
    for (int i = 0; i < propertyCount; ++i)
        m_properties[i] = m_connection->atom("QUILLBOX_SELECTION_" + QByteArray::number(i));

    // The window only receives selection data; PropertyChange is needed for
    // incremental transfers, which are paced by property events.
    m_window = xcb_generate_id(c());
    const std::uint32_t eventMask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c(), 0, m_window, m_connection->rootWindow(), 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &eventMask);
    xcb_xfixes_select_selection_input(c(), m_window, m_clipboard,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    // Asked after subscribing, so no change between the two goes unseen.
    auto owner = adopt(
        xcb_get_selection_owner_reply(c(), xcb_get_selection_owner(c(), m_clipboard), nullptr));
    m_pending = OwnerChange{owner ? owner->owner : xcb_window_t{XCB_NONE}, XCB_CURRENT_TIME, false};
    return true;
}

std::shared_ptr<const ClipboardSnapshot>
X11ClipboardReader::Worker::read(const OwnerChange& change) {
    if (change.owner == XCB_NONE)
        return std::make_shared<const ClipboardSnapshot>();

    const Transfer targetList = request(m_targets, change.time);
    if (targetList.outcome == Outcome::Interrupted)
        return nullptr;
    if (targetList.outcome != Outcome::Received || targetList.format != 32) {
        if (targetList.outcome == Outcome::TimedOut)
            qCWarning(lcX11).nospace()
                << "Quillbox: the clipboard owner did not list its targets within "
                << m_limits.requestTimeout.count() << " ms; nothing read";
        return std::make_shared<const ClipboardSnapshot>(QList<QByteArray>{},
                                                         QHash<QByteArray, QByteArray>{});
    }

    QList<QByteArray> targets;
    const auto* atoms = reinterpret_cast<const xcb_atom_t*>(targetList.bytes.constData());
    const auto atomCount = targetList.bytes.size() / qsizetype(sizeof(xcb_atom_t));
    for (qsizetype i = 0; i < atomCount; ++i) {
        const QByteArray name = m_connection->atomName(atoms[i]);
        if (!name.isEmpty() && !targets.contains(name))
            targets.append(name);
    }

    QHash<QByteArray, QByteArray> representations;
    for (const auto& target : ClipboardMime::targetsToFetch(targets)) {
        const Transfer transfer = request(m_connection->atom(target), change.time);
        switch (transfer.outcome) {
        case Outcome::Interrupted:
            return nullptr;
        case Outcome::Received:
            representations.insert(target, transfer.bytes);
            break;
        case Outcome::TimedOut:
            qCWarning(lcX11).nospace()
                << "Quillbox: the clipboard owner did not send " << target.constData() << " within "
                << m_limits.requestTimeout.count() << " ms; left out";
            break;
        case Outcome::TooLarge:
            qCWarning(lcX11).nospace()
                << "Quillbox: clipboard data " << target.constData() << " is larger than "
                << m_limits.maximumRepresentationSize << " bytes; left out";
            break;
        case Outcome::Refused:
            break;
        }
    }
    return std::make_shared<const ClipboardSnapshot>(targets, representations);
}

Transfer X11ClipboardReader::Worker::request(xcb_atom_t target, xcb_timestamp_t time) {
    const xcb_atom_t property = m_properties[m_nextProperty];
    m_nextProperty = (m_nextProperty + 1) % propertyCount;
    xcb_delete_property(c(), m_window, property);
    xcb_convert_selection(c(), m_window, m_clipboard, target, property, time);
    xcb_flush(c());

    const auto deadline = Clock::now() + m_limits.requestTimeout;
    for (;;) {
        const auto event = nextEvent(deadline);
        if (isInterrupted())
            return {Outcome::Interrupted, {}};
        if (!event)
            return {Outcome::TimedOut, {}};
        if ((event->response_type & 0x7f) != XCB_SELECTION_NOTIFY)
            continue;
        const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event.get());
        if (notify->requestor != m_window || notify->selection != m_clipboard ||
            notify->target != target)
            continue;
        if (notify->property == XCB_NONE)
            return {Outcome::Refused, {}};
        if (notify->property == property)
            return readProperty(property, m_connection->atomName(target));
    }
}

Transfer X11ClipboardReader::Worker::readProperty(xcb_atom_t property, const QByteArray& target) {
    // Deleting the property on reading tells an incremental sender to go on.
    auto reply = adopt(xcb_get_property_reply(
        c(),
        xcb_get_property(c(), 1, m_window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, maximumWords()),
        nullptr));
    if (!reply)
        return {Outcome::Refused, {}};
    const auto length = xcb_get_property_value_length(reply.get());
    const auto* value = static_cast<const char*>(xcb_get_property_value(reply.get()));
    if (reply->type == m_incr) {
        const quint32 size = length >= 4 ? *reinterpret_cast<const quint32*>(value) : quint32{0};
        return receiveIncrementally(property, target, size);
    }
    if (reply->bytes_after > 0 || length > m_limits.maximumRepresentationSize) {
        xcb_delete_property(c(), m_window, property);
        return {Outcome::TooLarge, {}};
    }
    return {Outcome::Received, QByteArray(value, length), reply->format};
}

Transfer X11ClipboardReader::Worker::receiveIncrementally(xcb_atom_t property,
                                                          const QByteArray& target, quint32 size) {
    // The announced size is a lower bound; an owner that announces more than
    // the limit is left to time out on its side.
    if (qsizetype(size) > m_limits.maximumRepresentationSize)
        return {Outcome::TooLarge, {}};
    QByteArray data;
    data.reserve(qsizetype(size));
    for (;;) {
        const auto event = nextEvent(Clock::now() + m_limits.requestTimeout);
        if (isInterrupted())
            return {Outcome::Interrupted, {}};
        if (!event) {
            qCWarning(lcX11).nospace()
                << "Quillbox: the clipboard owner stopped sending " << target.constData()
                << " after " << data.size() << " bytes";
            return {Outcome::TimedOut, {}};
        }
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            continue;
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
        if (notify->window != m_window || notify->atom != property ||
            notify->state != XCB_PROPERTY_NEW_VALUE)
            continue;
        auto chunk = adopt(
            xcb_get_property_reply(c(),
                                   xcb_get_property(c(), 1, m_window, property,
                                                    XCB_GET_PROPERTY_TYPE_ANY, 0, maximumWords()),
                                   nullptr));
        if (!chunk)
            return {Outcome::Refused, {}};
        const auto length = xcb_get_property_value_length(chunk.get());
        // An empty chunk ends the transfer.
        if (length == 0)
            return {Outcome::Received, data};
        if (chunk->bytes_after > 0 || data.size() + length > m_limits.maximumRepresentationSize) {
            xcb_delete_property(c(), m_window, property);
            xcb_flush(c());
            return {Outcome::TooLarge, {}};
        }
        data.append(static_cast<const char*>(xcb_get_property_value(chunk.get())), length);
    }
}

XcbReply<xcb_generic_event_t>
X11ClipboardReader::Worker::nextEvent(std::optional<Clock::time_point> deadline) {
    xcb_flush(c());
    for (;;) {
        if (xcb_connection_has_error(c())) {
            qCWarning(lcX11) << "Quillbox: lost the X connection used to read the clipboard";
            m_stopping = true;
            return adopt<xcb_generic_event_t>(nullptr);
        }
        // Events xcb has already queued must be taken before waiting on the
        // socket, which would not wake for them.
        if (auto* raw = xcb_poll_for_event(c())) {
            auto event = adopt(raw);
            if (noteOwnerChange(*event))
                return adopt<xcb_generic_event_t>(nullptr);
            return event;
        }
        int timeout = -1;
        if (deadline) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
            if (left <= 0)
                return adopt<xcb_generic_event_t>(nullptr);
            timeout = int(left);
        }
        pollfd fds[2] = {{m_connection->fileDescriptor(), POLLIN, 0}, {m_stopFd, POLLIN, 0}};
        if (::poll(fds, 2, timeout) < 0 && errno != EINTR) {
            m_stopping = true;
            return adopt<xcb_generic_event_t>(nullptr);
        }
        if (fds[1].revents != 0) {
            m_stopping = true;
            return adopt<xcb_generic_event_t>(nullptr);
        }
    }
}

bool X11ClipboardReader::Worker::noteOwnerChange(const xcb_generic_event_t& event) {
    if ((event.response_type & 0x7f) != m_xfixesEvent + XCB_XFIXES_SELECTION_NOTIFY)
        return false;
    const auto& notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t&>(event);
    if (notify.selection != m_clipboard)
        return false;
    // The event's time, not CurrentTime, so owners that check the request
    // time against their ownership accept it.
    m_pending = OwnerChange{notify.owner, notify.timestamp, true};
    return true;
}

X11ClipboardReader::X11ClipboardReader(const ClipboardReadLimits& limits, QObject* parent)
    : QObject(parent)
    , m_limits(limits) {
    qRegisterMetaType<std::shared_ptr<const ClipboardSnapshot>>();
}

X11ClipboardReader::~X11ClipboardReader() {
    stop();
}

bool X11ClipboardReader::start() {
    if (m_thread)
        return true;
    auto connection = std::make_unique<XcbConnection>();
    if (!connection->isValid()) {
        qCWarning(lcX11) << "Quillbox: cannot open the X display to watch the clipboard";
        return false;
    }
    if (::pipe2(m_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qCWarning(lcX11) << "Quillbox: cannot start the clipboard reader";
        return false;
    }
    m_worker = std::make_unique<Worker>(std::move(connection), m_limits, m_stopPipe[0], this);
    m_thread.reset(QThread::create([worker = m_worker.get()] { worker->run(); }));
    m_thread->setObjectName(QStringLiteral("clipboard reader"));
    m_thread->start();
    return true;
}

void X11ClipboardReader::stop() {
    if (!m_thread)
        return;
    const char byte = 0;
    [[maybe_unused]] const auto written = ::write(m_stopPipe[1], &byte, 1);
    m_thread->wait();
    m_thread.reset();
    m_worker.reset();
    for (int& fd : m_stopPipe) {
        ::close(fd);
        fd = -1;
    }
}

} // namespace quillbox
