#include "linux/x11/XcbConnection.h"

#include "linux/x11/XcbReply_p.h"

#include <QGuiApplication>
#include <cstring>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

namespace quillbox {

XcbClientWindows XcbClientWindows::of(xcb_connection_t* connection) {
    if (!connection || xcb_connection_has_error(connection))
        return {};
    const xcb_setup_t* setup = xcb_get_setup(connection);
    return {setup->resource_id_base, setup->resource_id_mask};
}

XcbConnection::XcbConnection(const QByteArray& displayName) {
    int screenNumber = 0;
    m_connection =
        xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(), &screenNumber);
    if (xcb_connection_has_error(m_connection))
        return;
    auto it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    if (it.rem)
        m_root = it.data->root;
}

XcbConnection::~XcbConnection() {
    if (m_connection)
        xcb_disconnect(m_connection);
}

bool XcbConnection::isValid() const {
    return m_connection && !xcb_connection_has_error(m_connection) && m_root != 0;
}

int XcbConnection::fileDescriptor() const {
    return xcb_get_file_descriptor(m_connection);
}

std::uint32_t XcbConnection::atom(const QByteArray& name) {
    if (const auto it = m_atoms.constFind(name); it != m_atoms.cend())
        return *it;
    const std::uint32_t value = internAtom(m_connection, name);
    if (value == XCB_ATOM_NONE)
        return value;
    m_atoms.insert(name, value);
    m_names.insert(value, name);
    return value;
}

QByteArray XcbConnection::atomName(std::uint32_t atom) {
    if (const auto it = m_names.constFind(atom); it != m_names.cend())
        return *it;
    const auto reply =
        xcbReply(xcb_get_atom_name_reply, m_connection, xcb_get_atom_name(m_connection, atom));
    if (!reply)
        return {};
    QByteArray name(xcb_get_atom_name_name(reply.get()),
                    xcb_get_atom_name_name_length(reply.get()));
    m_atoms.insert(name, atom);
    m_names.insert(atom, name);
    return name;
}

bool XcbConnection::hasExtension(const char* name) const {
    const auto cookie =
        xcb_query_extension(m_connection, static_cast<uint16_t>(std::strlen(name)), name);
    const auto reply = xcbReply(xcb_query_extension_reply, m_connection, cookie);
    return reply && reply->present;
}

bool XcbConnection::announceXInput2(std::uint16_t minimumMinor) const {
    // Asking for the version of an extension the server lacks would only
    // earn an error.
    const xcb_query_extension_reply_t* extension =
        xcb_get_extension_data(m_connection, &xcb_input_id);
    if (!extension || !extension->present)
        return false;
    const auto version = xcbReply(xcb_input_xi_query_version_reply, m_connection,
                                  xcb_input_xi_query_version(m_connection, 2, 2));
    return version && (version->major_version > 2 ||
                       (version->major_version == 2 && version->minor_version >= minimumMinor));
}

xcb_connection_t* XcbConnection::ofQt() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

std::uint32_t XcbConnection::firstRootWindow(xcb_connection_t* connection) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    return screen ? screen->root : xcb_window_t(XCB_WINDOW_NONE);
}

std::uint32_t XcbConnection::internAtom(xcb_connection_t* connection, const QByteArray& name) {
    const auto reply =
        xcbReply(xcb_intern_atom_reply, connection,
                 xcb_intern_atom(connection, 0, std::uint16_t(name.size()), name.constData()));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

void XcbConnection::sendToWindowManager(xcb_connection_t* connection, std::uint32_t root,
                                        std::uint32_t window, std::uint32_t messageType,
                                        const std::array<std::uint32_t, 5>& data) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = messageType;
    std::copy(data.begin(), data.end(), event.data.data32);
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection);
}

} // namespace quillbox
