#include "linux/x11/X11FrontmostApplicationSource.h"

#include "content/Logging.h"
#include "linux/desktop/ApplicationIcons.h"
#include "linux/x11/XcbConnection.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace quillbox {

namespace {

// WM_CLASS is two short names; anything longer is cut off.
constexpr std::uint32_t maxPropertyLength = 1024; // in 32-bit units

xcb_get_property_cookie_t requestProperty(xcb_connection_t* connection, xcb_window_t window,
                                          xcb_atom_t name, xcb_atom_t type) {
    return xcb_get_property(connection, 0, window, name, type, 0, maxPropertyLength);
}

// The property's bytes and type: empty when the window has no such property
// (or one of another type than the one asked for), none when the window is
// gone.
std::optional<QByteArray> propertyValue(xcb_connection_t* connection,
                                        xcb_get_property_cookie_t cookie,
                                        xcb_atom_t* type = nullptr) {
    // The error of a window that went away is taken here: left to the event
    // queue, which nobody reads on this connection, errors would pile up.
    xcb_generic_error_t* error = nullptr;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, &error);
    std::free(error);
    if (!reply)
        return std::nullopt;
    QByteArray bytes;
    if (reply->type != XCB_ATOM_NONE && reply->format != 0) {
        const int length = xcb_get_property_value_length(reply);
        bytes = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)), length);
    }
    if (type)
        *type = reply->type;
    std::free(reply);
    return bytes;
}

// ICCCM text properties are Latin-1 (STRING); some clients write UTF-8.
QStringList textList(const std::optional<QByteArray>& bytes, xcb_atom_t type) {
    QStringList result;
    if (!bytes)
        return result;
    for (const auto& part : bytes->split('\0'))
        result.append(type == XCB_ATOM_STRING ? QString::fromLatin1(part)
                                              : QString::fromUtf8(part));
    return result;
}

std::uint32_t firstCardinal(const std::optional<QByteArray>& bytes) {
    if (!bytes || bytes->size() < static_cast<qsizetype>(sizeof(std::uint32_t)))
        return 0;
    std::uint32_t value = 0;
    std::memcpy(&value, bytes->constData(), sizeof(value));
    return value;
}

// The executable of a local process, from /proc. A binary replaced by an
// update since the process started reads "<path> (deleted)".
QString executableOf(std::uint32_t pid) {
    if (pid == 0)
        return {};
    QString path = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
    const QString deleted = QStringLiteral(" (deleted)");
    if (path.endsWith(deleted))
        path.chop(deleted.size());
    return path;
}

} // namespace

X11FrontmostApplicationSource::X11FrontmostApplicationSource(const QByteArray& displayName)
    : m_displayName(displayName) {
}

X11FrontmostApplicationSource::~X11FrontmostApplicationSource() = default;

XcbConnection* X11FrontmostApplicationSource::connection() {
    // Reconnects after the server went away (a restarted session).
    if (!m_connection || !m_connection->isValid())
        m_connection = std::make_unique<XcbConnection>(m_displayName);
    if (!m_connection->isValid()) {
        if (!m_reportedFailure)
            qCWarning(lcX11, "Quillbox: cannot connect to the X display; the source "
                             "application of copies stays unknown");
        m_reportedFailure = true;
        return nullptr;
    }
    m_reportedFailure = false;
    return m_connection.get();
}

std::optional<RunningApplication> X11FrontmostApplicationSource::frontmostApplication() {
    XcbConnection* x = connection();
    if (!x)
        return std::nullopt;
    // Bare X servers have no _NET_ACTIVE_WINDOW: only a window manager sets
    // it. Without one (or with the desktop itself focused, window 0) there is
    // no application in front.
    const auto active = firstCardinal(
        propertyValue(x->get(), requestProperty(x->get(), x->rootWindow(),
                                                x->atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW)));
    if (active == 0)
        return std::nullopt;

    // Three questions in one round trip.
    const auto classCookie =
        requestProperty(x->get(), active, XCB_ATOM_WM_CLASS, XCB_GET_PROPERTY_TYPE_ANY);
    const auto machineCookie =
        requestProperty(x->get(), active, XCB_ATOM_WM_CLIENT_MACHINE, XCB_GET_PROPERTY_TYPE_ANY);
    const auto pidCookie =
        requestProperty(x->get(), active, x->atom("_NET_WM_PID"), XCB_ATOM_CARDINAL);

    // WM_CLASS is "instance\0class\0".
    xcb_atom_t classType = XCB_ATOM_NONE;
    const auto classValue = propertyValue(x->get(), classCookie, &classType);
    const auto machineValue = propertyValue(x->get(), machineCookie);
    const auto pidValue = propertyValue(x->get(), pidCookie);
    // Some window managers leave _NET_ACTIVE_WINDOW naming a window that has
    // since been destroyed, when no other window took the focus.
    if (!classValue)
        return std::nullopt;
    const QStringList wmClass = textList(classValue, classType);
    const QString instance = wmClass.value(0);
    const QString windowClass = wmClass.value(1);
    // _NET_WM_PID is only meaningful for a client on this machine; a remote
    // client's pid names some unrelated local process or none.
    const QString machine = textList(machineValue, XCB_ATOM_STRING).value(0);
    const bool isLocal = machine.isEmpty() || machine == QSysInfo::machineHostName();
    const auto pid = firstCardinal(pidValue);
    const QString executable = isLocal ? executableOf(pid) : QString();

    RunningApplication app;
    if (const auto entry = m_entries.match(instance, windowClass, executable)) {
        app.identifier = entry->id;
        if (!entry->name.isEmpty())
            app.name = entry->name;
        app.icon = ApplicationIcons::fromDesktopEntry(entry->icon);
    }
    // Without an entry the window class stands in for the identifier, and
    // for the name whatever names the window's program.
    if (!app.identifier && !windowClass.isEmpty())
        app.identifier = windowClass;
    if (!app.name) {
        const QString name = !windowClass.isEmpty() ? windowClass
                             : !instance.isEmpty()  ? instance
                                                    : QFileInfo(executable).fileName();
        if (!name.isEmpty())
            app.name = name;
    }
    // The window's own names are only ever theme names: any client may set
    // them to a path.
    if (!app.icon)
        app.icon = ApplicationIcons::themed(instance);
    if (!app.icon)
        app.icon = ApplicationIcons::themed(windowClass.toLower());
    return app;
}

std::optional<QIcon>
X11FrontmostApplicationSource::installedApplicationIcon(const QString& identifier) {
    const auto entry = m_entries.entry(identifier);
    if (!entry)
        return std::nullopt;
    return ApplicationIcons::fromDesktopEntry(entry->icon);
}

} // namespace quillbox
