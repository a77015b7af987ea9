#include "linux/x11/X11WindowHints.h"

#include <QGuiApplication>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace quillbox {

namespace {

struct Connection {
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
};

Connection qtConnection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return {};
    xcb_connection_t* connection = x11->connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    return {connection, screen ? screen->root : 0};
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    const auto cookie = xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : 0;
}

// Asks the window manager to add two states to a mapped window (EWMH
// _NET_WM_STATE client message, action 1 = add, source 1 = application).
void addStates(const Connection& c, xcb_window_t window, xcb_atom_t first, xcb_atom_t second) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom(c.connection, "_NET_WM_STATE");
    event.data.data32[0] = 1;
    event.data.data32[1] = first;
    event.data.data32[2] = second;
    event.data.data32[3] = 1;
    xcb_send_event(c.connection, 0, c.root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&event));
}

} // namespace

void X11WindowHints::markAsFloatingPanel(quintptr windowId) {
    const Connection c = qtConnection();
    if (!c.connection || !windowId)
        return;
    const auto window = xcb_window_t(windowId);
    addStates(c, window, atom(c.connection, "_NET_WM_STATE_SKIP_TASKBAR"),
              atom(c.connection, "_NET_WM_STATE_SKIP_PAGER"));
    addStates(c, window, atom(c.connection, "_NET_WM_STATE_ABOVE"), 0);
    xcb_flush(c.connection);
}

void X11WindowHints::markAsNonFocusable(quintptr windowId) {
    const Connection c = qtConnection();
    if (!c.connection || !windowId)
        return;
    const auto window = xcb_window_t(windowId);
    // WM_HINTS with the input flag set to false: window managers that follow
    // ICCCM (openbox, KWin, Mutter) never give such a window the focus.
    constexpr uint32_t inputHint = 1; // InputHint in the flags word
    const std::array<uint32_t, 9> hints{inputHint, 0, 0, 0, 0, 0, 0, 0, 0};
    xcb_change_property(c.connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_HINTS,
                        XCB_ATOM_WM_HINTS, 32, uint32_t(hints.size()), hints.data());
    const std::array<xcb_atom_t, 1> type{atom(c.connection, "_NET_WM_WINDOW_TYPE_NOTIFICATION")};
    xcb_change_property(c.connection, XCB_PROP_MODE_REPLACE, window,
                        atom(c.connection, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32,
                        uint32_t(type.size()), type.data());
    const std::array<xcb_atom_t, 3> states{atom(c.connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                                           atom(c.connection, "_NET_WM_STATE_SKIP_PAGER"),
                                           atom(c.connection, "_NET_WM_STATE_ABOVE")};
    xcb_change_property(c.connection, XCB_PROP_MODE_REPLACE, window,
                        atom(c.connection, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32,
                        uint32_t(states.size()), states.data());
    xcb_flush(c.connection);
}

bool X11WindowHints::isCompositing() const {
    const Connection c = qtConnection();
    if (!c.connection)
        return false;
    // A compositing manager owns the selection _NET_WM_CM_S<screen>.
    const auto cookie = xcb_get_selection_owner(c.connection, atom(c.connection, "_NET_WM_CM_S0"));
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> reply(
        xcb_get_selection_owner_reply(c.connection, cookie, nullptr), &std::free);
    return reply && reply->owner != XCB_NONE;
}

} // namespace quillbox
