// Quillbox as the session's clipboard manager. On X11 the clipboard lives in
// the application that copied; one that quits while it owns the clipboard
// first asks the owner of CLIPBOARD_MANAGER to save it (SAVE_TARGETS) and
// waits for the answer. The reader already reads every owner as it takes the
// clipboard, so saving is waiting for that read to end and saying whether it
// fetched the contents; once the application has gone, Quillbox offers what
// it recorded (ClipboardKeeper).
#include "content/Logging.h"
#include "linux/x11/X11ClipboardReaderWorker_p.h"

#include <xcb/xcb.h>

namespace quillbox {

void X11ClipboardReader::Worker::takeManagerRole() {
    const xcb_atom_t manager = m_connection->atom("CLIPBOARD_MANAGER");
    m_saveTargets = m_connection->atom("SAVE_TARGETS");
    auto owner =
        adopt(xcb_get_selection_owner_reply(c(), xcb_get_selection_owner(c(), manager), nullptr));
    if (owner && owner->owner != XCB_NONE) {
        qCInfo(lcX11) << "Quillbox: another clipboard manager runs; it keeps the clipboards of "
                         "applications that quit";
        return;
    }
    xcb_set_selection_owner(c(), m_window, manager, XCB_CURRENT_TIME);
    owner =
        adopt(xcb_get_selection_owner_reply(c(), xcb_get_selection_owner(c(), manager), nullptr));
    if (!owner || owner->owner != m_window)
        return;
    m_clipboardManager = manager;
    // Clients that wait for a manager to appear hear of it on the root window.
    xcb_client_message_event_t announcement{};
    announcement.response_type = XCB_CLIENT_MESSAGE;
    announcement.format = 32;
    announcement.window = m_connection->rootWindow();
    announcement.type = m_connection->atom("MANAGER");
    announcement.data.data32[0] = XCB_CURRENT_TIME;
    announcement.data.data32[1] = manager;
    announcement.data.data32[2] = m_window;
    xcb_send_event(c(), 0, m_connection->rootWindow(), XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&announcement));
    xcb_flush(c());
}

bool X11ClipboardReader::Worker::takeManagerRequest(const xcb_generic_event_t& event) {
    if ((event.response_type & 0x7f) != XCB_SELECTION_REQUEST || m_clipboardManager == XCB_NONE)
        return false;
    const auto& request = reinterpret_cast<const xcb_selection_request_event_t&>(event);
    if (request.selection != m_clipboardManager)
        return false;
    // Requestors from before ICCCM 2 leave the property empty.
    const xcb_atom_t property = request.property != XCB_NONE ? request.property : request.target;
    if (request.target == m_targets) {
        const xcb_atom_t targets[] = {m_targets, m_saveTargets};
        xcb_change_property(c(), XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM,
                            32, 2, targets);
        answerManagerRequest(request, property);
    } else if (request.target == m_saveTargets) {
        m_saveRequests.push_back(request);
        answerSaveRequests();
    } else {
        answerManagerRequest(request, XCB_NONE);
    }
    return true;
}

void X11ClipboardReader::Worker::answerSaveRequests() {
    // A read under way, or one queued, may be of the owner that asks.
    if (m_saveRequests.empty() || m_current || !m_waiting.empty())
        return;
    for (const auto& request : m_saveRequests) {
        // Saved: what Quillbox may keep of the owner's contents was fetched.
        // Refused: nothing was (the owner did not answer in time, or flagged
        // its contents as not to be kept), and the application knows it.
        const bool saved = m_lastReadHadContents && m_lastReadOwner != XCB_NONE &&
                           (!keepsContents || keepsContents->load());
        const xcb_atom_t property =
            request.property != XCB_NONE ? request.property : request.target;
        answerManagerRequest(request, saved ? property : XCB_NONE);
        qCDebug(lcX11) << "Quillbox: an application that quits asked to save the clipboard:"
                       << (saved ? "saved" : "refused");
    }
    m_saveRequests.clear();
}

void X11ClipboardReader::Worker::answerManagerRequest(const xcb_selection_request_event_t& request,
                                                      xcb_atom_t property) {
    xcb_selection_notify_event_t answer{};
    answer.response_type = XCB_SELECTION_NOTIFY;
    answer.time = request.time;
    answer.requestor = request.requestor;
    answer.selection = request.selection;
    answer.target = request.target;
    answer.property = property;
    xcb_send_event(c(), 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&answer));
    xcb_flush(c());
}

} // namespace quillbox
