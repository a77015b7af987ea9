// The worker thread of X11ClipboardReader, shared by the files that make it
// up: X11ClipboardReader.cpp schedules owners and their reads, and
// X11ClipboardTransfer.cpp carries out one request, incremental transfers
// included. Private to those two files (scripts/check-layers.sh keeps it so).
#pragma once

#include "linux/desktop/ClipboardMime.h"
#include "linux/x11/X11ClipboardReader.h"
#include "linux/x11/XcbConnection.h"
#include "linux/x11/XcbReply_p.h"

#include <QStringDecoder>
#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <vector>
#include <xcb/xcb.h>

namespace quillbox {

// The clipboard reader's own vocabulary, shared by the files of its worker.
namespace clipboardread {

using Clock = std::chrono::steady_clock;

// Each request of one owner's read gets its own property (cycling through
// these), so a late answer to an abandoned request cannot overwrite the data
// of a newer one.
inline constexpr int propertyCount = 64;
// A finished read's window is kept this long before it goes, so an owner that
// answers late writes to a window that still exists: some owners (xclip)
// exit on the error a vanished window gives them, before anyone got their data.
inline constexpr std::chrono::milliseconds retiredWindowLifetime{5000};
// Owners whose first requests are out while an earlier owner is still being
// read. Each holds a window and two properties; past this the oldest waiting
// one is given up, since owners change faster than they can be read. A large
// copy takes a second or two to read, and copies made meanwhile a tenth of a
// second apart have all been asked ahead by then.
inline constexpr std::size_t maximumWaitingReads = 32;
// Answers that came in before they were looked for (a later owner's, while an
// earlier one is read). Refusals of given-up requests are never collected.
inline constexpr qsizetype maximumEarlyAnswers = 64;
// An owner that has lost the clipboard answers the requests it got before
// at once if at all (they reached it ahead of the news of its loss); one that
// does not is not waited for, since newer owners wait meanwhile.
inline constexpr std::chrono::milliseconds supersededOwnerTimeout{50};

// True when request number `request` reached the server after the event
// stamped `eventSequence` was made (the event carries the number of the
// last request of ours the server had handled).
inline bool isLaterThan(std::uint32_t request, std::uint32_t eventSequence) {
    return std::int32_t(request - eventSequence) > 0;
}

struct OwnerChange {
    xcb_window_t owner = XCB_NONE;
    xcb_timestamp_t time = XCB_CURRENT_TIME;
    bool isChange = true;
    // The owner's window or connection went away and nobody took the
    // selection: its contents went with it.
    bool ownerVanished = false;
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

} // namespace clipboardread

using namespace clipboardread;

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

    // Set by the reader on the main thread.
    std::shared_ptr<std::atomic<bool>> keepsContents;

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
    // The clipboard manager's part (X11ClipboardManagerRole.cpp).
    void takeManagerRole();
    bool takeManagerRequest(const xcb_generic_event_t& event);
    void answerSaveRequests();
    void answerManagerRequest(const xcb_selection_request_event_t& request, xcb_atom_t property);
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
    // CLIPBOARD_MANAGER, while Quillbox holds it, and the requests to save
    // the clipboard that wait for the read of its owner to end.
    xcb_atom_t m_clipboardManager = XCB_NONE;
    xcb_atom_t m_saveTargets = XCB_NONE;
    std::vector<xcb_selection_request_event_t> m_saveRequests;
    // The owner read last, and whether anything was fetched from it.
    xcb_window_t m_lastReadOwner = XCB_NONE;
    bool m_lastReadHadContents = false;
    bool m_stopping = false;
};

} // namespace quillbox
