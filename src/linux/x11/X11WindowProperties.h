#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace quillbox {

class XcbConnection;

// What a client window says of its program. Any client may write these, so
// they name the program only as far as it cares to be named.
struct X11WindowIdentity {
    QString instance;      // WM_CLASS, first part
    QString windowClass;   // WM_CLASS, second part
    QString clientMachine; // WM_CLIENT_MACHINE
    std::uint32_t pid = 0; // _NET_WM_PID; 0 when unset
};

// Reads the properties Quillbox asks of other programs' windows. A window
// may go away between the question and the answer, and some window managers
// leave _NET_ACTIVE_WINDOW naming one that has: the server's BadWindow then
// reads as no value (logged at debug level), never as an error report. The
// X server answers these requests itself, so none waits on another client.
class X11WindowProperties {
public:
    explicit X11WindowProperties(XcbConnection& connection)
        : m_connection(connection) {}

    // The window manager's _NET_ACTIVE_WINDOW: none without a window manager
    // (bare X servers have no such property) or with no window focused.
    std::optional<std::uint32_t> activeWindow();

    // The window's WM_CLASS, WM_CLIENT_MACHINE and _NET_WM_PID, asked in one
    // round trip; those it lacks are empty. None when the window is gone.
    std::optional<X11WindowIdentity> identity(std::uint32_t window);

private:
    XcbConnection& m_connection;
};

} // namespace quillbox
