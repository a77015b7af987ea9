#include "linux/gnome/GnomeFrontmostApplicationSource.h"

#include "linux/desktop/ApplicationIcons.h"
#include "linux/gnome/GnomeShellConnection.h"

namespace quillbox {

GnomeFrontmostApplicationSource::GnomeFrontmostApplicationSource(
    std::shared_ptr<GnomeShellConnection> connection)
    : m_connection(std::move(connection)) {
}

std::optional<RunningApplication> GnomeFrontmostApplicationSource::frontmostApplication() {
    const QString appId = m_connection->focusedApplication();
    if (appId.isEmpty())
        return std::nullopt;
    RunningApplication app;
    if (const auto entry = m_entries.match(appId, appId, QString())) {
        app.identifier = entry->id;
        if (!entry->name.isEmpty())
            app.name = entry->name;
        app.icon = ApplicationIcons::fromDesktopEntry(entry->icon);
    }
    if (!app.identifier)
        app.identifier = appId;
    if (!app.name)
        app.name = appId;
    // A window may call itself anything: only ever a theme name.
    if (!app.icon)
        app.icon = ApplicationIcons::themed(appId);
    return app;
}

std::optional<QIcon>
GnomeFrontmostApplicationSource::installedApplicationIcon(const QString& identifier) {
    const auto entry = m_entries.entry(identifier);
    if (!entry)
        return std::nullopt;
    return ApplicationIcons::fromDesktopEntry(entry->icon);
}

} // namespace quillbox
