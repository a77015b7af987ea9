#include "linux/x11/X11WindowHints.h"

#include "linux/x11/XcbConnection.h"
#include "linux/x11/XcbReply_p.h"

#include <array>
#include <xcb/xcb.h>

namespace quillbox {

namespace {

struct Connection {
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
};

Connection qtConnection() {
    xcb_connection_t* connection = XcbConnection::ofQt();
    if (!connection)
        return {};
    return {connection, XcbConnection::firstRootWindow(connection)};
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    return XcbConnection::internAtom(connection, name);
}

// Asks the window manager to add two states to a mapped window (EWMH
// _NET_WM_STATE client message, action 1 = add, source 1 = application).
void addStates(const Connection& c, xcb_window_t window, xcb_atom_t first, xcb_atom_t second) {
    XcbConnection::sendToWindowManager(c.connection, c.root, window,
                                       atom(c.connection, "_NET_WM_STATE"),
                                       {1, first, second, 1, 0});
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
    const auto reply = xcbReply(xcb_get_selection_owner_reply, c.connection, cookie);
    return reply && reply->owner != XCB_NONE;
}

} // namespace quillbox
