#include "linux/x11/X11FrontmostApplicationSource.h"

#include "content/Logging.h"
#include "linux/desktop/ApplicationIcons.h"
#include "linux/x11/X11WindowProperties.h"
#include "linux/x11/XcbConnection.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

namespace quillbox {

namespace {

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
    X11WindowProperties properties(*x);
    // With the desktop itself focused there is no application in front.
    const auto active = properties.activeWindow();
    if (!active)
        return std::nullopt;
    // Some window managers leave _NET_ACTIVE_WINDOW naming a window that has
    // since been destroyed, when no other window took the focus.
    const auto window = properties.identity(*active);
    if (!window)
        return std::nullopt;
    const QString& instance = window->instance;
    const QString& windowClass = window->windowClass;
    // _NET_WM_PID is only meaningful for a client on this machine; a remote
    // client's pid names some unrelated local process or none.
    const bool isLocal =
        window->clientMachine.isEmpty() || window->clientMachine == QSysInfo::machineHostName();
    const QString executable = isLocal ? executableOf(window->pid) : QString();

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
    return ApplicationIcons::ofInstalled(m_entries, identifier);
}

} // namespace quillbox
