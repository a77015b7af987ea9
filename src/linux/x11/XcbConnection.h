#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
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

private:
    xcb_connection_t* m_connection = nullptr;
    std::uint32_t m_root = 0;
    QHash<QByteArray, std::uint32_t> m_atoms;
    QHash<std::uint32_t, QByteArray> m_names;
};

} // namespace quillbox
