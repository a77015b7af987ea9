#include "linux/desktop/ApplicationIcons.h"

#include "linux/desktop/FileIconEngine.h"

#include <QDir>
#include <QFileInfo>

namespace quillbox::ApplicationIcons {

std::optional<QIcon> themed(const QString& name) {
    if (name.isEmpty() || name.contains(u'/'))
        return std::nullopt;
    QIcon icon = QIcon::fromTheme(name);
    if (icon.isNull())
        return std::nullopt;
    return icon;
}

std::optional<QIcon> fromDesktopEntry(const QString& value) {
    if (!QDir::isAbsolutePath(value))
        return themed(value);
    // stat() says what the path is without opening it; a pipe or a device
    // is never read.
    if (!QFileInfo(value).isFile())
        return std::nullopt;
    return QIcon(new FileIconEngine(value));
}

std::optional<QIcon> ofInstalled(DesktopEntryIndex& entries, const QString& identifier) {
    const auto entry = entries.entry(identifier);
    if (!entry)
        return std::nullopt;
    return fromDesktopEntry(entry->icon);
}

} // namespace quillbox::ApplicationIcons
