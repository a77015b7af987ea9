#include "linux/x11/X11WindowProperties.h"

#include "content/Logging.h"
#include "linux/x11/XcbConnection.h"
#include "linux/x11/XcbReply_p.h"

#include <QByteArray>
#include <QStringList>
#include <cstring>

namespace quillbox {

namespace {

// WM_CLASS is two short names; anything longer is cut off.
constexpr std::uint32_t maxPropertyLength = 1024; // in 32-bit units

struct Property {
    QByteArray bytes;
    xcb_atom_t type = XCB_ATOM_NONE;
};

xcb_get_property_cookie_t ask(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name,
                              xcb_atom_t type) {
    return xcb_get_property(c, 0, window, name, type, 0, maxPropertyLength);
}

// The property's bytes and type: empty when the window has no such property
// (or one of another type than the one asked for), none when the window is
// gone.
std::optional<Property> take(xcb_connection_t* c, xcb_get_property_cookie_t cookie,
                             xcb_window_t window) {
    const auto answer = xcbReply(xcb_get_property_reply, c, cookie);
    if (!answer) {
        if (answer.errorCode() == XCB_WINDOW)
            qCDebug(lcX11, "Quillbox: window 0x%x is gone", window);
        else if (answer.error)
            qCDebug(lcX11, "Quillbox: X error %d reading a property of window 0x%x",
                    int(answer.errorCode()), window);
        return std::nullopt;
    }
    Property property;
    if (answer->type != XCB_ATOM_NONE && answer->format != 0)
        property.bytes = QByteArray(static_cast<const char*>(xcb_get_property_value(answer.get())),
                                    xcb_get_property_value_length(answer.get()));
    property.type = answer->type;
    return property;
}

// ICCCM text properties are Latin-1 (STRING); some clients write UTF-8.
QStringList textList(const std::optional<Property>& property) {
    QStringList result;
    if (!property)
        return result;
    for (const auto& part : property->bytes.split('\0'))
        result.append(property->type == XCB_ATOM_STRING ? QString::fromLatin1(part)
                                                        : QString::fromUtf8(part));
    return result;
}

std::uint32_t firstCardinal(const std::optional<Property>& property) {
    if (!property || property->bytes.size() < qsizetype(sizeof(std::uint32_t)))
        return 0;
    std::uint32_t value = 0;
    std::memcpy(&value, property->bytes.constData(), sizeof(value));
    return value;
}

} // namespace

std::optional<std::uint32_t> X11WindowProperties::activeWindow() {
    xcb_connection_t* c = m_connection.get();
    const xcb_window_t root = m_connection.rootWindow();
    const auto window = firstCardinal(
        take(c, ask(c, root, m_connection.atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW), root));
    if (window == XCB_WINDOW_NONE)
        return std::nullopt;
    return window;
}

std::optional<X11WindowIdentity> X11WindowProperties::identity(std::uint32_t window) {
    xcb_connection_t* c = m_connection.get();
    const auto classCookie = ask(c, window, XCB_ATOM_WM_CLASS, XCB_GET_PROPERTY_TYPE_ANY);
    const auto machineCookie =
        ask(c, window, XCB_ATOM_WM_CLIENT_MACHINE, XCB_GET_PROPERTY_TYPE_ANY);
    const auto pidCookie = ask(c, window, m_connection.atom("_NET_WM_PID"), XCB_ATOM_CARDINAL);
    // Every answer is taken, even after the first says the window is gone:
    // xcb keeps an answer on the connection until someone does.
    const auto wmClass = take(c, classCookie, window);
    const auto machine = take(c, machineCookie, window);
    const auto pid = take(c, pidCookie, window);
    if (!wmClass)
        return std::nullopt;
    // WM_CLASS is "instance\0class\0".
    const QStringList names = textList(wmClass);
    return X11WindowIdentity{names.value(0), names.value(1), textList(machine).value(0),
                             firstCardinal(pid)};
}

} // namespace quillbox
