#include "linux/wayland/WaylandFrontmostApplicationSource.h"

#include "linux/desktop/ApplicationIcons.h"
#include "linux/wayland/WaylandInputConnection.h"

namespace quillbox {

WaylandFrontmostApplicationSource::WaylandFrontmostApplicationSource(
    std::shared_ptr<WaylandInputConnection> connection)
    : m_connection(std::move(connection)) {
}

std::optional<RunningApplication> WaylandFrontmostApplicationSource::frontmostApplication() {
    const auto window = m_connection->activeToplevel();
    if (!window || window->appId.isEmpty())
        return std::nullopt;
    // An app id is what X11 calls the window class; Wayland gives no process.
    RunningApplication app;
    if (const auto entry = m_entries.match(window->appId, window->appId, QString())) {
        app.identifier = entry->id;
        if (!entry->name.isEmpty())
            app.name = entry->name;
        app.icon = ApplicationIcons::fromDesktopEntry(entry->icon);
    }
    if (!app.identifier)
        app.identifier = window->appId;
    if (!app.name)
        app.name = window->appId;
    // Any client may set its app id to a path: only ever a theme name.
    if (!app.icon)
        app.icon = ApplicationIcons::themed(window->appId);
    return app;
}

std::optional<QIcon>
WaylandFrontmostApplicationSource::installedApplicationIcon(const QString& identifier) {
    const auto entry = m_entries.entry(identifier);
    if (!entry)
        return std::nullopt;
    return ApplicationIcons::fromDesktopEntry(entry->icon);
}

} // namespace quillbox
