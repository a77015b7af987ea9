#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>

struct xcb_connection_t;

namespace quillbox {

// The windows one X client creates: their ids share the client's base, as
// the server hands each client a range of its own.
struct XcbClientWindows {
    std::uint32_t base = 0;
    std::uint32_t mask = 0;

    static XcbClientWindows of(xcb_connection_t* connection);
    bool contains(std::uint32_t window) const { return mask != 0 && (window & ~mask) == base; }
};

// An xcb connection of our own to the X server named by DISPLAY, with an
// atom cache. Owned by one thread at a time; Qt's own connection is never
// used for anything that may wait on another client.
class XcbConnection {
public:
    // Opens the display; check isValid().
    explicit XcbConnection(const QByteArray& displayName = {});
    ~XcbConnection();
    XcbConnection(const XcbConnection&) = delete;
    XcbConnection& operator=(const XcbConnection&) = delete;

    bool isValid() const;
    xcb_connection_t* get() const { return m_connection; }
    std::uint32_t rootWindow() const { return m_root; }
    int fileDescriptor() const;

    // Interns the atom, once per name; 0 when the server refuses.
    std::uint32_t atom(const QByteArray& name);
    // The atom's name, or empty when unknown.
    QByteArray atomName(std::uint32_t atom);

    bool hasExtension(const char* name) const;
    // Announces XInput 2.2, the version Quillbox speaks, for this connection
    // (the version a client announces binds its connection only); true when
    // the server offers 2.minimumMinor or later.
    bool announceXInput2(std::uint16_t minimumMinor) const;

    // Qt's own connection when Qt runs on X11, else null. Only for requests
    // the X server answers itself: Qt's event loop waits while one is out.
    static xcb_connection_t* ofQt();
    // The first screen's root window.
    static std::uint32_t firstRootWindow(xcb_connection_t* connection);
    // Interns the atom without a cache; 0 when the server refuses.
    static std::uint32_t internAtom(xcb_connection_t* connection, const QByteArray& name);
    // Sends an EWMH client message about `window` to the window manager,
    // which listens on the root window.
    static void sendToWindowManager(xcb_connection_t* connection, std::uint32_t root,
                                    std::uint32_t window, std::uint32_t messageType,
                                    const std::array<std::uint32_t, 5>& data);

private:
    xcb_connection_t* m_connection = nullptr;
    std::uint32_t m_root = 0;
    QHash<QByteArray, std::uint32_t> m_atoms;
    QHash<std::uint32_t, QByteArray> m_names;
};

} // namespace quillbox
