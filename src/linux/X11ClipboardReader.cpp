#include "linux/X11ClipboardReader.h"

#include "content/Logging.h"
#include "linux/ClipboardMime.h"
#include "linux/XcbConnection.h"

#include <QGuiApplication>
#include <QStringDecoder>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace quillbox {

namespace {

using Clock = std::chrono::steady_clock;

// Each request of one owner's read gets its own property (cycling through
// these), so a late answer to an abandoned request cannot overwrite the data
// of a newer one.
constexpr int propertyCount = 64;
// A finished read's window is kept this long before it goes, so an owner that
// answers late writes to a window that still exists: some owners (xclip)
// exit on the error a vanished window gives them, before anyone got their data.
constexpr std::chrono::milliseconds retiredWindowLifetime{5000};
// Owners whose first requests are out while an earlier owner is still being
// read. Each holds a window and two properties; past this the oldest waiting
// one is given up, since owners change faster than they can be read. A large
// copy takes a second or two to read, and copies made meanwhile a tenth of a
// second apart have all been asked ahead by then.
constexpr std::size_t maximumWaitingReads = 32;
// Answers that came in before they were looked for (a later owner's, while an
// earlier one is read). Refusals of given-up requests are never collected.
constexpr qsizetype maximumEarlyAnswers = 64;
// An owner that has lost the clipboard answers the requests it got before
// at once if at all (they reached it ahead of the news of its loss); one that
// does not is not waited for, since newer owners wait meanwhile.
constexpr std::chrono::milliseconds supersededOwnerTimeout{50};

template <typename T> using XcbReply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T> XcbReply<T> adopt(T* reply) {
    return XcbReply<T>(reply, &std::free);
}

// True when request number `request` reached the server after the event
// stamped `eventSequence` was made (the event carries the number of the
// last request of ours the server had handled).
bool isLaterThan(std::uint32_t request, std::uint32_t eventSequence) {
    return std::int32_t(request - eventSequence) > 0;
}

struct OwnerChange {
    xcb_window_t owner = XCB_NONE;
    xcb_timestamp_t time = XCB_CURRENT_TIME;
    bool isChange = true;
};

struct Request {
    xcb_window_t window = XCB_NONE;
    xcb_atom_t target = XCB_NONE;
    xcb_atom_t property = XCB_NONE;
    xcb_timestamp_t time = XCB_CURRENT_TIME;
    std::uint32_t sequence = 0;
};

enum class Outcome { Received, Refused, TimedOut, TooLarge, CutShort, Interrupted };

struct Transfer {
    Outcome outcome = Outcome::Refused;
    QByteArray bytes;
    quint8 format = 8;
    // A UTF-8 text sent in chunks, decoded as they came.
    std::optional<QString> text = std::nullopt;
};

// One owner's read. Its first request (the target list) goes out as soon as
// its change is seen, so an owner replaced before its turn still gets it; once
// the list is in, the first representation wanted is asked for, while the
// owner is still the newest. Nothing is asked for blindly: some owners answer
// any target with their data, and an unwanted answer could start a transfer
// that holds them up.
struct OwnerRead {
    OwnerChange change;
    // Each read asks from a window of its own. Owners such as xclip send the
    // next chunk of an incremental transfer when any property of the
    // requestor's window is deleted, and keep one transfer per window: a
    // request abandoned in one read, or the deletes another read makes, must
    // not pace or block this one.
    xcb_window_t window = XCB_NONE;
    Request targets;
    // The sequence stamp of the next owner change: a request of ours the
    // server handled after it went to that newer owner, not this one.
    std::optional<std::uint32_t> nextChangeSequence;
    Clock::time_point supersededAt;
    // Taken ahead, while an earlier owner was being read: the target list,
    // and the request for the first representation wanted, so that an owner
    // replaced soon after has been asked while it still could answer.
    std::optional<Transfer> targetList = std::nullopt;
    std::optional<std::pair<QByteArray, Request>> firstRequest = std::nullopt;
    bool hasAskedAhead = false;
};

// Decodes a UTF-8 text chunk by chunk while its owner sends the next one, so
// that a large text is ready when its transfer ends: for 50 MB, decoding
// afterwards costs about 280 ms. For valid UTF-8 the result is what
// ClipboardMime::decodeText gives for the whole; other bytes are decoded
// whole again by the snapshot.
class ChunkedTextDecoder {
public:
    void append(QByteArrayView chunk) {
        // A chunk never decodes to more UTF-16 units than it has bytes, plus
        // those of a character the previous chunk cut short.
        constexpr qsizetype carriedBytes = 4;
        const qsizetype needed = m_length + chunk.size() + carriedBytes;
        if (m_text.capacity() < needed)
            m_text.reserve(std::max(needed, 2 * m_text.capacity()));
        m_text.resize(needed);
        const QChar* end = m_decoder.appendToBuffer(m_text.data() + m_length, chunk);
        m_length = end - m_text.constData();
        m_text.truncate(m_length);
    }

    QString take() {
        // Trailing zero bytes some owners add are not part of the text.
        while (m_text.endsWith(QChar(u'\0')))
            m_text.chop(1);
        m_text.squeeze();
        return std::move(m_text);
    }

private:
    QStringDecoder m_decoder{QStringDecoder::Utf8};
    QString m_text;
    qsizetype m_length = 0;
};

} // namespace

// The windows one X client creates: those of Qt's own connection are this
// process's, whichever thread asks.
class X11ClipboardReader::Worker {
public:
    Worker(std::unique_ptr<XcbConnection> connection, const ClipboardReadLimits& limits, int stopFd,
           XcbClientWindows ownWindows, X11ClipboardReader* reader)
        : m_connection(std::move(connection))
        , m_limits(limits)
        , m_stopFd(stopFd)
        , m_ownWindows(ownWindows)
        , m_reader(reader) {}

    void run();

private:
    bool setUp();
    void beginRead(const OwnerChange& change, std::uint32_t changeSequence);
    std::shared_ptr<const ClipboardSnapshot> read(const OwnerRead& ownerRead);
    xcb_window_t createRequestorWindow();
    void retireWindow(xcb_window_t window);
    void destroyRetiredWindows(bool all);
    std::optional<Clock::time_point> nextWindowExpiry() const;
    Request send(xcb_window_t window, xcb_atom_t target, xcb_timestamp_t time);
    Transfer collect(const OwnerRead& ownerRead, const Request& request, bool isUtf8Text = false);
    std::optional<xcb_selection_notify_event_t> takeAnswer(const Request& request);
    Transfer readProperty(const Request& request, bool isUtf8Text);
    Transfer receiveIncrementally(const Request& request, quint32 size, bool isUtf8Text);
    XcbReply<xcb_generic_event_t> nextEvent(std::optional<Clock::time_point> deadline);
    bool takeOwnerChangeOrAnswer(const xcb_generic_event_t& event);
    void askNewestAhead();
    QList<QByteArray> targetNames(const Transfer& targetList);
    xcb_connection_t* c() const { return m_connection->get(); }

    std::uint32_t maximumWords() const {
        return std::uint32_t(m_limits.maximumRepresentationSize / 4 + 1);
    }

    std::chrono::milliseconds requestTimeout(const OwnerRead& ownerRead) const {
        return m_ownWindows.contains(ownerRead.change.owner) ? m_limits.ownProcessTimeout
                                                             : m_limits.requestTimeout;
    }

    std::unique_ptr<XcbConnection> m_connection;
    ClipboardReadLimits m_limits;
    int m_stopFd;
    XcbClientWindows m_ownWindows;
    // For the owner being read: how long each next chunk may take.
    std::chrono::milliseconds m_chunkTimeout{};
    X11ClipboardReader* m_reader;
    xcb_window_t m_window = XCB_NONE;
    xcb_atom_t m_clipboard = XCB_NONE;
    xcb_atom_t m_targets = XCB_NONE;
    xcb_atom_t m_incr = XCB_NONE;
    xcb_atom_t m_properties[propertyCount] = {};
    int m_nextProperty = 0;
    quint8 m_xfixesEvent = 0;
    // The owner being read, and those waiting their turn, oldest first.
    std::optional<OwnerRead> m_current;
    std::deque<OwnerRead> m_waiting;
    std::deque<xcb_selection_notify_event_t> m_earlyAnswers;
    // Windows of finished reads, with the time each may go.
    std::deque<std::pair<xcb_window_t, Clock::time_point>> m_retiredWindows;
    bool m_stopping = false;
};

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
        retireWindow(m_current->window);
        m_current.reset();
        if (snapshot)
            Q_EMIT m_reader->snapshotRead(std::move(snapshot), isChange);
        else if (!m_stopping)
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

    // This window only hears of owner changes; each read asks from its own.
    m_window = createRequestorWindow();
    xcb_xfixes_select_selection_input(c(), m_window, m_clipboard,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    // Asked after subscribing, so no change between the two goes unseen.
    const auto cookie = xcb_get_selection_owner(c(), m_clipboard);
    auto owner = adopt(xcb_get_selection_owner_reply(c(), cookie, nullptr));
    beginRead(OwnerChange{owner ? owner->owner : xcb_window_t{XCB_NONE}, XCB_CURRENT_TIME, false},
              cookie.sequence);
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

Request X11ClipboardReader::Worker::send(xcb_window_t window, xcb_atom_t target,
                                         xcb_timestamp_t time) {
    // A read's window is new and makes far fewer requests than there are
    // properties, so the property is unused: nothing is deleted here, as a
    // delete would also pace an incremental sender (see OwnerRead).
    const xcb_atom_t property = m_properties[m_nextProperty];
    m_nextProperty = (m_nextProperty + 1) % propertyCount;
    const auto cookie = xcb_convert_selection(c(), window, m_clipboard, target, property, time);
    return Request{window, target, property, time, cookie.sequence};
}

Transfer X11ClipboardReader::Worker::collect(const OwnerRead& ownerRead, const Request& request,
                                             bool isUtf8Text) {
    const auto deadline = Clock::now() + requestTimeout(ownerRead);
    for (;;) {
        if (m_stopping)
            return {Outcome::Interrupted, {}};
        // Asked after a newer owner came: the answer would be the newer
        // owner's, so this owner's read ends here.
        if (ownerRead.nextChangeSequence &&
            isLaterThan(request.sequence, *ownerRead.nextChangeSequence))
            return {Outcome::Interrupted, {}};
        if (const auto answer = takeAnswer(request)) {
            if (answer->property == XCB_NONE)
                return {Outcome::Refused, {}};
            return readProperty(request, isUtf8Text);
        }
        if (ownerRead.nextChangeSequence &&
            Clock::now() >= ownerRead.supersededAt + supersededOwnerTimeout)
            return {Outcome::Interrupted, {}};
        if (Clock::now() >= deadline)
            return {Outcome::TimedOut, {}};
        nextEvent(ownerRead.nextChangeSequence
                      ? std::min(deadline, ownerRead.supersededAt + supersededOwnerTimeout)
                      : deadline);
    }
}

std::optional<xcb_selection_notify_event_t>
X11ClipboardReader::Worker::takeAnswer(const Request& request) {
    for (auto it = m_earlyAnswers.begin(); it != m_earlyAnswers.end(); ++it) {
        // A refusal names no property; the target and time tell it apart.
        const bool matches = it->requestor == request.window && it->target == request.target &&
                             (it->property == request.property ||
                              (it->property == XCB_NONE && it->time == request.time));
        if (matches) {
            const auto answer = *it;
            m_earlyAnswers.erase(it);
            return answer;
        }
    }
    return std::nullopt;
}

Transfer X11ClipboardReader::Worker::readProperty(const Request& request, bool isUtf8Text) {
    // Deleting the property on reading tells an incremental sender to go on.
    auto reply =
        adopt(xcb_get_property_reply(c(),
                                     xcb_get_property(c(), 1, request.window, request.property,
                                                      XCB_GET_PROPERTY_TYPE_ANY, 0, maximumWords()),
                                     nullptr));
    if (!reply)
        return {Outcome::Refused, {}};
    const auto length = xcb_get_property_value_length(reply.get());
    const auto* value = static_cast<const char*>(xcb_get_property_value(reply.get()));
    if (reply->type == m_incr) {
        const quint32 size = length >= 4 ? *reinterpret_cast<const quint32*>(value) : quint32{0};
        return receiveIncrementally(request, size, isUtf8Text);
    }
    if (reply->bytes_after > 0 || length > m_limits.maximumRepresentationSize) {
        xcb_delete_property(c(), request.window, request.property);
        return {Outcome::TooLarge, {}};
    }
    return {Outcome::Received, QByteArray(value, length), reply->format};
}

Transfer X11ClipboardReader::Worker::receiveIncrementally(const Request& request, quint32 size,
                                                          bool isUtf8Text) {
    const QByteArray target = m_connection->atomName(request.target);
    // The announced size is a lower bound; an owner that announces more than
    // the limit is left to time out on its side.
    if (qsizetype(size) > m_limits.maximumRepresentationSize)
        return {Outcome::TooLarge, {}};
    QByteArray data;
    data.reserve(qsizetype(size));
    std::optional<ChunkedTextDecoder> text;
    if (isUtf8Text)
        text.emplace();
    // The owner that sends is the one asked, even when it has lost the
    // clipboard since; newer owners' answers wait meanwhile.
    auto deadline = Clock::now() + m_chunkTimeout;
    for (;;) {
        const auto event = nextEvent(deadline);
        if (m_stopping)
            return {Outcome::Interrupted, {}};
        if (!event) {
            if (Clock::now() < deadline)
                continue;
            qCWarning(lcX11).nospace()
                << "Quillbox: the clipboard owner stopped sending " << target.constData()
                << " after " << data.size() << " bytes; left out";
            return {Outcome::TimedOut, {}};
        }
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            continue;
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
        if (notify->window != request.window || notify->atom != request.property ||
            notify->state != XCB_PROPERTY_NEW_VALUE)
            continue;
        auto chunk = adopt(
            xcb_get_property_reply(c(),
                                   xcb_get_property(c(), 1, request.window, request.property,
                                                    XCB_GET_PROPERTY_TYPE_ANY, 0, maximumWords()),
                                   nullptr));
        if (!chunk)
            return {Outcome::Refused, {}};
        // No such property: the notice was for a chunk already taken (an
        // owner may write a chunk in more than one step). Only a property
        // that exists and is empty ends the transfer.
        if (chunk->type == XCB_NONE)
            continue;
        const auto length = xcb_get_property_value_length(chunk.get());
        if (length == 0) {
            if (data.size() < qsizetype(size)) {
                qCWarning(lcX11).nospace()
                    << "Quillbox: the clipboard owner ended " << target.constData() << " after "
                    << data.size() << " of the " << size << " bytes it announced; left out";
                return {Outcome::CutShort, {}};
            }
            return {Outcome::Received, data, chunk->format,
                    text ? std::optional(text->take()) : std::nullopt};
        }
        if (chunk->bytes_after > 0 || data.size() + length > m_limits.maximumRepresentationSize) {
            xcb_delete_property(c(), request.window, request.property);
            xcb_flush(c());
            return {Outcome::TooLarge, {}};
        }
        const QByteArrayView bytes(static_cast<const char*>(xcb_get_property_value(chunk.get())),
                                   length);
        // Read with delete, so the owner already prepares the next chunk.
        data.append(bytes);
        if (text)
            text->append(bytes);
        deadline = Clock::now() + m_chunkTimeout;
    }
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
            return adopt<xcb_generic_event_t>(nullptr);
        }
        // Events xcb has already queued must be taken before waiting on the
        // socket, which would not wake for them.
        if (auto* raw = xcb_poll_for_event(c())) {
            auto event = adopt(raw);
            if (takeOwnerChangeOrAnswer(*event))
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

bool X11ClipboardReader::Worker::takeOwnerChangeOrAnswer(const xcb_generic_event_t& event) {
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
    beginRead(OwnerChange{notify.owner, notify.timestamp, true}, event.full_sequence);
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
    auto reply =
        adopt(xcb_get_property_reply(c(),
                                     xcb_get_property(c(), 0, newest.window, answer->property,
                                                      XCB_GET_PROPERTY_TYPE_ANY, 0, maximumWords()),
                                     nullptr));
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
    XcbClientWindows ownWindows;
    if (const auto* x11 =
            qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        ownWindows = XcbClientWindows::of(x11->connection());
    m_requestorWindows = XcbClientWindows::of(connection->get());
    m_worker =
        std::make_unique<Worker>(std::move(connection), m_limits, m_stopPipe[0], ownWindows, this);
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
