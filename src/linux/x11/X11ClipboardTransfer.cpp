#include "content/Logging.h"
#include "linux/x11/X11ClipboardReaderWorker_p.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <xcb/xcb.h>

namespace quillbox {

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
    const auto reply = xcbReply(xcb_get_property_reply, c(),
                                xcb_get_property(c(), 1, request.window, request.property,
                                                 XCB_GET_PROPERTY_TYPE_ANY, 0, maximumWords()));
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
        const auto chunk = xcbReply(xcb_get_property_reply, c(),
                                    xcb_get_property(c(), 1, request.window, request.property,
                                                     XCB_GET_PROPERTY_TYPE_ANY, 0, maximumWords()));
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

} // namespace quillbox
