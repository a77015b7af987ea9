// A CLIPBOARD owner for tests, in plain xcb: offers the given targets with
// the given data and serves them, or misbehaves on request. Prints "owned" on
// standard output once it holds the selection; exits when it loses it.
//
//   TestClipboardOwner [--mode serve|hang|targets-only|incr-split|incr-short]
//                      [--save-and-quit] [--target NAME FILE]...
//
// serve:        answers TARGETS, TIMESTAMP and every offered target.
// hang:         never answers any request.
// targets-only: answers TARGETS, never the data.
// incr-split:   sends data incrementally (announcing its size), each chunk
//               appended in two steps, so two notices come per delete.
// incr-short:   sends data incrementally, announcing its whole size, and
//               ends the transfer after half of it.
// --save-and-quit: once it owns the selection, asks the clipboard manager to
//               save it (SAVE_TARGETS on CLIPBOARD_MANAGER), serving requests
//               meanwhile as its mode says, then prints "saved" or "refused"
//               (or "no manager") and exits, as toolkits do when they quit.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>
#include <xcb/xcb.h>

namespace {

struct Offer {
    std::string name;
    std::string data;
    xcb_atom_t atom = XCB_NONE;
};

xcb_atom_t intern(xcb_connection_t* c, const std::string& name) {
    auto* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return atom;
}

bool readFile(const char* path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

void notify(xcb_connection_t* c, const xcb_selection_request_event_t& request,
            xcb_atom_t property) {
    xcb_selection_notify_event_t event{};
    event.response_type = XCB_SELECTION_NOTIFY;
    event.time = request.time;
    event.requestor = request.requestor;
    event.selection = request.selection;
    event.target = request.target;
    event.property = property;
    xcb_send_event(c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(c);
}

// Chunks of an incremental transfer.
constexpr uint32_t chunkSize = 256 * 1024;

// One incremental transfer: the next chunk goes out when the requestor has
// deleted the property after every write of ours to it was made.
struct Transfer {
    xcb_window_t requestor = XCB_NONE;
    xcb_atom_t property = XCB_NONE;
    xcb_atom_t type = XCB_NONE;
    std::string data;
    size_t sent = 0;
    int writes = 1; // the announcement
    int writesSeen = 0;
    bool isDone = false;
};

void sendNextChunk(xcb_connection_t* c, Transfer& transfer, bool split) {
    const size_t length = std::min<size_t>(chunkSize, transfer.data.size() - transfer.sent);
    const char* chunk = transfer.data.data() + transfer.sent;
    const size_t first = split ? length / 2 : length;
    // An empty property of the type ends the transfer.
    xcb_change_property(c, length == 0 ? XCB_PROP_MODE_REPLACE : XCB_PROP_MODE_APPEND,
                        transfer.requestor, transfer.property, transfer.type, 8,
                        static_cast<uint32_t>(first), chunk);
    ++transfer.writes;
    if (first < length) {
        xcb_change_property(c, XCB_PROP_MODE_APPEND, transfer.requestor, transfer.property,
                            transfer.type, 8, static_cast<uint32_t>(length - first), chunk + first);
        ++transfer.writes;
    }
    transfer.sent += length;
    transfer.isDone = length == 0;
    xcb_flush(c);
}

} // namespace

int main(int argc, char** argv) {
    std::string mode = "serve";
    bool saveAndQuit = false;
    std::vector<Offer> offers;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--mode" && i + 1 < argc) {
            mode = argv[++i];
        } else if (arg == "--save-and-quit") {
            saveAndQuit = true;
        } else if (arg == "--target" && i + 2 < argc) {
            Offer offer{argv[i + 1], {}, XCB_NONE};
            if (!readFile(argv[i + 2], offer.data)) {
                std::fprintf(stderr, "cannot read %s\n", argv[i + 2]);
                return 2;
            }
            offers.push_back(std::move(offer));
            i += 2;
        } else {
            std::fprintf(stderr, "unknown argument %s\n", arg.c_str());
            return 2;
        }
    }

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return 3;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_atom_t clipboard = intern(c, "CLIPBOARD");
    const xcb_atom_t targets = intern(c, "TARGETS");
    const xcb_atom_t timestamp = intern(c, "TIMESTAMP");
    for (auto& offer : offers)
        offer.atom = intern(c, offer.name);

    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_EVENT_MASK, &mask);
    // Ownership is taken with a real server time, got from a property change
    // on our own window, as ICCCM asks of owners.
    xcb_change_property(c, XCB_PROP_MODE_APPEND, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0,
                        "");
    xcb_flush(c);
    xcb_timestamp_t ownedSince = XCB_CURRENT_TIME;
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
        const bool isProperty = (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY;
        if (isProperty)
            ownedSince = reinterpret_cast<xcb_property_notify_event_t*>(event)->time;
        std::free(event);
        if (isProperty)
            break;
    }
    xcb_set_selection_owner(c, window, clipboard, ownedSince);
    auto* owner = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboard), nullptr);
    const bool owned = owner && owner->owner == window;
    std::free(owner);
    if (!owned)
        return 4;
    std::printf("owned\n");
    std::fflush(stdout);

    const xcb_atom_t manager = intern(c, "CLIPBOARD_MANAGER");
    if (saveAndQuit) {
        auto* managerOwner =
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, manager), nullptr);
        const bool hasManager = managerOwner && managerOwner->owner != XCB_NONE;
        std::free(managerOwner);
        if (!hasManager) {
            std::printf("no manager\n");
            xcb_disconnect(c);
            return 0;
        }
        xcb_convert_selection(c, window, manager, intern(c, "SAVE_TARGETS"),
                              intern(c, "QUILLBOX_TEST_SAVE"), ownedSince);
        xcb_flush(c);
    }

    const xcb_atom_t incr = intern(c, "INCR");
    std::vector<Transfer> transfers;
    bool hasLost = false;
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
        const int type = event->response_type & 0x7f;
        if (type == XCB_PROPERTY_NOTIFY) {
            const auto notify = *reinterpret_cast<xcb_property_notify_event_t*>(event);
            std::free(event);
            for (auto& transfer : transfers) {
                if (notify.window != transfer.requestor || notify.atom != transfer.property)
                    continue;
                if (notify.state == XCB_PROPERTY_NEW_VALUE)
                    ++transfer.writesSeen;
                else if (transfer.writesSeen == transfer.writes)
                    sendNextChunk(c, transfer, mode == "incr-split");
            }
            std::erase_if(transfers, [](const Transfer& transfer) { return transfer.isDone; });
            if (hasLost && transfers.empty())
                break;
            continue;
        }
        if (type == XCB_SELECTION_NOTIFY && saveAndQuit) {
            const auto answer = *reinterpret_cast<xcb_selection_notify_event_t*>(event);
            std::free(event);
            if (answer.selection != manager)
                continue;
            std::printf(answer.property != XCB_NONE ? "saved\n" : "refused\n");
            std::fflush(stdout);
            break;
        }
        if (type == XCB_SELECTION_CLEAR) {
            std::free(event);
            hasLost = true;
            if (transfers.empty())
                break;
            continue;
        }
        if (type != XCB_SELECTION_REQUEST || mode == "hang") {
            std::free(event);
            continue;
        }
        const auto request = *reinterpret_cast<xcb_selection_request_event_t*>(event);
        std::free(event);
        // Requestors from before ICCCM 2 leave the property empty.
        const xcb_atom_t property =
            request.property != XCB_NONE ? request.property : request.target;
        if (request.target == targets) {
            std::vector<xcb_atom_t> list{targets, timestamp};
            for (const auto& offer : offers)
                list.push_back(offer.atom);
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                XCB_ATOM_ATOM, 32, static_cast<uint32_t>(list.size()), list.data());
            notify(c, request, property);
            continue;
        }
        if (mode == "targets-only")
            continue;
        if (request.target == timestamp) {
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                XCB_ATOM_INTEGER, 32, 1, &ownedSince);
            notify(c, request, property);
            continue;
        }
        const Offer* found = nullptr;
        for (const auto& offer : offers) {
            if (offer.atom == request.target)
                found = &offer;
        }
        if (found && (mode == "incr-split" || mode == "incr-short")) {
            Transfer transfer{request.requestor, property, found->atom, found->data};
            // The size announced is the whole, but a short transfer sends half.
            const auto size = static_cast<uint32_t>(found->data.size());
            if (mode == "incr-short")
                transfer.data.resize(transfer.data.size() / 2);
            const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_change_window_attributes(c, request.requestor, XCB_CW_EVENT_MASK, &mask);
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, incr, 32, 1,
                                &size);
            notify(c, request, property);
            transfers.push_back(std::move(transfer));
            continue;
        }
        // Only small data is served in one piece; large data is for xclip,
        // which sends it incrementally.
        const size_t limit = xcb_get_maximum_request_length(c) * 4 - 64;
        if (!found || found->data.size() > limit) {
            notify(c, request, XCB_NONE);
            continue;
        }
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, found->atom, 8,
                            static_cast<uint32_t>(found->data.size()), found->data.data());
        notify(c, request, property);
    }
    xcb_disconnect(c);
    return 0;
}
