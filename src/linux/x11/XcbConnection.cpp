#include "linux/x11/XcbConnection.h"

#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

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
    const auto cookie =
        xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(name.size()), name.constData());
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(m_connection, cookie, nullptr);
    if (!reply)
        return 0;
    const std::uint32_t value = reply->atom;
    std::free(reply);
    m_atoms.insert(name, value);
    m_names.insert(value, name);
    return value;
}

QByteArray XcbConnection::atomName(std::uint32_t atom) {
    if (const auto it = m_names.constFind(atom); it != m_names.cend())
        return *it;
    xcb_get_atom_name_reply_t* reply =
        xcb_get_atom_name_reply(m_connection, xcb_get_atom_name(m_connection, atom), nullptr);
    if (!reply)
        return {};
    QByteArray name(xcb_get_atom_name_name(reply), xcb_get_atom_name_name_length(reply));
    std::free(reply);
    m_atoms.insert(name, atom);
    m_names.insert(atom, name);
    return name;
}

bool XcbConnection::hasExtension(const char* name) const {
    const auto cookie =
        xcb_query_extension(m_connection, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_query_extension_reply_t* reply = xcb_query_extension_reply(m_connection, cookie, nullptr);
    const bool present = reply && reply->present;
    std::free(reply);
    return present;
}

} // namespace quillbox
