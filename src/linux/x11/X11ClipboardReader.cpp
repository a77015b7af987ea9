#include "linux/x11/X11ClipboardReader.h"

#include "content/Logging.h"
#include "linux/desktop/ClipboardMime.h"
#include "linux/x11/X11ClipboardReaderWorker_p.h"
#include "linux/x11/XcbConnection.h"

#include <QStringDecoder>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <deque>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace quillbox {

void X11ClipboardReader::Worker::run() {
    if (!setUp()) {
        qCWarning(lcX11) << "Quillbox: cannot watch the clipboard: the X server lacks XFIXES";
        return;
    }
    while (!m_stopping) {
        destroyRetiredWindows(false);
        if (m_waiting.empty()) {
            nextEvent(nextWindowExpiry()); // only owner changes matter while idle
            continue;
        }
        // A read a newer owner cut short is dropped; those that finish are
        // announced in the order their owners came.
        m_current = std::move(m_waiting.front());
        m_waiting.pop_front();
        auto snapshot = read(*m_current);
        const bool isChange = m_current->change.isChange;
        const bool ownerVanished = m_current->change.ownerVanished;
        m_lastReadOwner = m_current->change.owner;
        m_lastReadHadContents = snapshot && snapshot->hasOwner() && snapshot->byteSize() > 0;
        retireWindow(m_current->window);
        m_current.reset();
        answerSaveRequests();
        if (snapshot) {
            Q_EMIT m_reader->snapshotRead(std::move(snapshot), isChange);
            if (ownerVanished)
                Q_EMIT m_reader->ownerVanished();
        } else if (!m_stopping)
            qCDebug(lcX11) << "Quillbox: a clipboard read was cut short by a newer owner";
    }
    destroyRetiredWindows(true);
}

xcb_window_t X11ClipboardReader::Worker::createRequestorWindow() {
    // PropertyChange: incremental transfers are paced by property events.
    const xcb_window_t window = xcb_generate_id(c());
    const std::uint32_t eventMask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c(), 0, window, m_connection->rootWindow(), 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &eventMask);
    return window;
}

void X11ClipboardReader::Worker::retireWindow(xcb_window_t window) {
    if (window == XCB_NONE)
        return;
    std::erase_if(m_earlyAnswers, [window](const xcb_selection_notify_event_t& answer) {
        return answer.requestor == window;
    });
    m_retiredWindows.emplace_back(window, Clock::now() + retiredWindowLifetime);
}

void X11ClipboardReader::Worker::destroyRetiredWindows(bool all) {
    const auto now = Clock::now();
    while (!m_retiredWindows.empty() && (all || m_retiredWindows.front().second <= now)) {
        xcb_destroy_window(c(), m_retiredWindows.front().first);
        m_retiredWindows.pop_front();
    }
    xcb_flush(c());
}

std::optional<Clock::time_point> X11ClipboardReader::Worker::nextWindowExpiry() const {
    if (m_retiredWindows.empty())
        return std::nullopt;
    return m_retiredWindows.front().second;
}

bool X11ClipboardReader::Worker::setUp() {
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(c(), &xcb_xfixes_id);
    if (!xfixes || !xfixes->present)
        return false;
    m_xfixesEvent = xfixes->first_event;
    // XFixes answers nothing until the client has stated its version.
    const auto version =
        xcbReply(xcb_xfixes_query_version_reply, c(),
                 xcb_xfixes_query_version(c(), XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION));
    if (!version)
        return false;

    m_clipboard = m_connection->atom("CLIPBOARD");
    m_targets = m_connection->atom("TARGETS");
    m_incr = m_connection->atom("INCR");
    for (int i = 0; i < propertyCount; ++i)
        m_properties[i] = m_connection->atom("QUILLBOX_SELECTION_" + QByteArray::number(i));

    // This window only hears of owner changes; each read asks from its own.
    m_window = createRequestorWindow();
    xcb_xfixes_select_selection_input(c(), m_window, m_clipboard,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    // Asked after subscribing, so no change between the two goes unseen.
    const auto cookie = xcb_get_selection_owner(c(), m_clipboard);
    const auto owner = xcbReply(xcb_get_selection_owner_reply, c(), cookie);
    beginRead(OwnerChange{owner ? owner->owner : xcb_window_t{XCB_NONE}, XCB_CURRENT_TIME, false},
              cookie.sequence);
    takeManagerRole();
    return true;
}

void X11ClipboardReader::Worker::beginRead(const OwnerChange& change,
                                           std::uint32_t changeSequence) {
    OwnerRead* previous = !m_waiting.empty() ? &m_waiting.back()
                          : m_current        ? &*m_current
                                             : nullptr;
    if (previous && !previous->nextChangeSequence) {
        previous->nextChangeSequence = changeSequence;
        previous->supersededAt = Clock::now();
    }
    if (m_waiting.size() >= maximumWaitingReads) {
        retireWindow(m_waiting.front().window);
        m_waiting.pop_front();
        qCDebug(lcX11) << "Quillbox: the clipboard owner changed faster than it could be read";
    }
    OwnerRead ownerRead{change, XCB_NONE, {}, std::nullopt, {}};
    if (change.owner != XCB_NONE) {
        ownerRead.window = createRequestorWindow();
        ownerRead.targets = send(ownerRead.window, m_targets, change.time);
        xcb_flush(c());
    }
    m_waiting.push_back(ownerRead);
}

std::shared_ptr<const ClipboardSnapshot>
X11ClipboardReader::Worker::read(const OwnerRead& ownerRead) {
    if (ownerRead.change.owner == XCB_NONE)
        return std::make_shared<const ClipboardSnapshot>();
    m_chunkTimeout = m_ownWindows.contains(ownerRead.change.owner) ? m_limits.ownProcessTimeout
                                                                   : m_limits.chunkTimeout;

    const Transfer targetList =
        ownerRead.targetList ? *ownerRead.targetList : collect(ownerRead, ownerRead.targets);
    if (targetList.outcome == Outcome::Interrupted)
        return nullptr;
    if (targetList.outcome != Outcome::Received || targetList.format != 32) {
        if (targetList.outcome == Outcome::TimedOut)
            qCWarning(lcX11).nospace()
                << "Quillbox: the clipboard owner did not list its targets within "
                << requestTimeout(ownerRead).count() << " ms; nothing read";
        return std::make_shared<const ClipboardSnapshot>(QList<QByteArray>{},
                                                         QHash<QByteArray, QByteArray>{});
    }

    const QList<QByteArray> targets = targetNames(targetList);

    QHash<QByteArray, QByteArray> representations;
    const auto textTarget = ClipboardMime::preferredTextTarget(targets);
    std::optional<QString> decodedText;
    for (const auto& target : ClipboardMime::targetsToFetch(targets)) {
        const bool isUtf8Text = target == textTarget && target != "STRING";
        Request request;
        if (ownerRead.firstRequest && ownerRead.firstRequest->first == target) {
            request = ownerRead.firstRequest->second;
        } else {
            // Asked now, the request would reach the newer owner, which might
            // start a transfer for it that no one takes.
            if (ownerRead.nextChangeSequence)
                return nullptr;
            request = send(ownerRead.window, m_connection->atom(target), ownerRead.change.time);
        }
        Transfer transfer = collect(ownerRead, request, isUtf8Text);
        switch (transfer.outcome) {
        case Outcome::Interrupted:
            return nullptr;
        case Outcome::Received:
            if (transfer.text && QByteArrayView(transfer.bytes).isValidUtf8())
                decodedText = std::move(transfer.text);
            representations.insert(target, transfer.bytes);
            break;
        case Outcome::TimedOut:
            qCWarning(lcX11).nospace()
                << "Quillbox: the clipboard owner did not send " << target.constData() << " within "
                << requestTimeout(ownerRead).count() << " ms; left out";
            break;
        case Outcome::TooLarge:
            qCWarning(lcX11).nospace()
                << "Quillbox: clipboard data " << target.constData() << " is larger than "
                << m_limits.maximumRepresentationSize << " bytes; left out";
            break;
        case Outcome::CutShort: // logged where it was found
        case Outcome::Refused:
            break;
        }
    }
    return std::make_shared<const ClipboardSnapshot>(targets, representations,
                                                     std::move(decodedText));
}

// The next event that is neither an owner change nor an answer to a request
// (both are taken in on the way), or none when one of those came, the
// deadline passed or the reader is stopping.
XcbReply<xcb_generic_event_t>
X11ClipboardReader::Worker::nextEvent(std::optional<Clock::time_point> deadline) {
    xcb_flush(c());
    for (;;) {
        if (xcb_connection_has_error(c())) {
            qCWarning(lcX11) << "Quillbox: lost the X connection used to read the clipboard";
            m_stopping = true;
            return nullptr;
        }
        // Events xcb has already queued must be taken before waiting on the
        // socket, which would not wake for them.
        if (auto* raw = xcb_poll_for_event(c())) {
            auto event = adopt(raw);
            if (takeOwnerChangeOrAnswer(*event))
                return nullptr;
            return event;
        }
        int timeout = -1;
        if (deadline) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
            if (left <= 0)
                return nullptr;
            timeout = int(left);
        }
        pollfd fds[2] = {{m_connection->fileDescriptor(), POLLIN, 0}, {m_stopFd, POLLIN, 0}};
        if (::poll(fds, 2, timeout) < 0 && errno != EINTR) {
            m_stopping = true;
            return nullptr;
        }
        if (fds[1].revents != 0) {
            m_stopping = true;
            return nullptr;
        }
    }
}

bool X11ClipboardReader::Worker::takeOwnerChangeOrAnswer(const xcb_generic_event_t& event) {
    if (takeManagerRequest(event))
        return true;
    const int type = event.response_type & 0x7f;
    if (type == XCB_SELECTION_NOTIFY) {
        const auto& answer = reinterpret_cast<const xcb_selection_notify_event_t&>(event);
        // Answers to any of our windows; those of retired windows are late
        // answers to abandoned requests.
        if (answer.selection != m_clipboard ||
            std::any_of(
                m_retiredWindows.begin(), m_retiredWindows.end(),
                [&answer](const auto& retired) { return retired.first == answer.requestor; }))
            return false;
        m_earlyAnswers.push_back(answer);
        if (m_earlyAnswers.size() > std::size_t(maximumEarlyAnswers))
            m_earlyAnswers.pop_front();
        askNewestAhead();
        return true;
    }
    if (type != m_xfixesEvent + XCB_XFIXES_SELECTION_NOTIFY)
        return false;
    const auto& notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t&>(event);
    if (notify.selection != m_clipboard)
        return false;
    // The event's time, not CurrentTime, so owners that check the request
    // time against their ownership accept it.
    const bool vanished = notify.owner == XCB_NONE &&
                          notify.subtype != XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER;
    beginRead(OwnerChange{notify.owner, notify.timestamp, true, vanished}, event.full_sequence);
    return true;
}

QList<QByteArray> X11ClipboardReader::Worker::targetNames(const Transfer& targetList) {
    QList<QByteArray> targets;
    const auto* atoms = reinterpret_cast<const xcb_atom_t*>(targetList.bytes.constData());
    const auto atomCount = targetList.bytes.size() / qsizetype(sizeof(xcb_atom_t));
    for (qsizetype i = 0; i < atomCount; ++i) {
        const QByteArray name = m_connection->atomName(atoms[i]);
        if (!name.isEmpty() && !targets.contains(name))
            targets.append(name);
    }
    return targets;
}

void X11ClipboardReader::Worker::askNewestAhead() {
    // Only the newest owner still holds the clipboard, so only it may be
    // asked; the read under way goes on meanwhile.
    if (m_waiting.empty())
        return;
    OwnerRead& newest = m_waiting.back();
    if (newest.change.owner == XCB_NONE || newest.nextChangeSequence || newest.hasAskedAhead)
        return;
    const auto answer = takeAnswer(newest.targets);
    if (!answer)
        return;
    newest.hasAskedAhead = true;
    if (answer->property == XCB_NONE) {
        newest.targetList = Transfer{Outcome::Refused, {}};
        return;
    }
    // Looked at without deleting: a list sent in pieces (never seen in
    // practice) is left to the read in its turn.
    const auto reply = xcbReply(xcb_get_property_reply, c(),
                                xcb_get_property(c(), 0, newest.window, answer->property,
                                                 XCB_GET_PROPERTY_TYPE_ANY, 0, maximumWords()));
    if (!reply || reply->type == m_incr || reply->bytes_after > 0) {
        m_earlyAnswers.push_front(*answer);
        return;
    }
    xcb_delete_property(c(), newest.window, answer->property);
    const auto length = xcb_get_property_value_length(reply.get());
    newest.targetList =
        Transfer{Outcome::Received,
                 QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())), length),
                 reply->format};
    if (newest.targetList->format != 32)
        return;
    const auto wanted = ClipboardMime::targetsToFetch(targetNames(*newest.targetList));
    if (wanted.isEmpty())
        return;
    newest.firstRequest.emplace(
        wanted.first(),
        send(newest.window, m_connection->atom(wanted.first()), newest.change.time));
    xcb_flush(c());
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
    // Qt's own connection, when Qt runs on X11: its windows are ours.
    const XcbClientWindows ownWindows = XcbClientWindows::of(XcbConnection::ofQt());
    m_requestorWindows = XcbClientWindows::of(connection->get());
    m_worker =
        std::make_unique<Worker>(std::move(connection), m_limits, m_stopPipe[0], ownWindows, this);
    m_worker->keepsContents = m_keepsContents;
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
