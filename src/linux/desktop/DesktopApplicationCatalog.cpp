#include "linux/desktop/DesktopApplicationCatalog.h"

#include "linux/desktop/ApplicationIcons.h"

#include <QFileInfo>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {

const QString desktopSuffix = u".desktop"_s;

InstalledApplication fromEntry(const DesktopEntry& entry) {
    return {entry.id, entry.name, ApplicationIcons::fromDesktopEntry(entry.icon).value_or(QIcon())};
}

} // namespace

QList<InstalledApplication> DesktopApplicationCatalog::applications() {
    QList<InstalledApplication> result;
    for (const auto& entry : m_entries.scannedEntries()) {
        if (!entry.name.isEmpty())
            result.append(fromEntry(entry));
    }
    std::sort(result.begin(), result.end(), [](const auto& a, const auto& b) {
        return QString::localeAwareCompare(a.name, b.name) < 0;
    });
    return result;
}

std::optional<InstalledApplication>
DesktopApplicationCatalog::applicationFromFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    // A desktop entry names its application; a file that is not one (a program,
    // an AppImage) is known by its file name, and named by it without extension.
    if (info.fileName().endsWith(desktopSuffix)) {
        const QString id = info.fileName().chopped(desktopSuffix.size());
        if (auto entry = DesktopEntryIndex::parseFile(path, id); entry && !entry->name.isEmpty())
            return fromEntry(*entry);
        return InstalledApplication{id, id, {}};
    }
    return InstalledApplication{info.fileName(), info.completeBaseName(), {}};
}

std::optional<QIcon> DesktopApplicationCatalog::icon(const QString& identifier) {
    return ApplicationIcons::ofInstalled(m_entries, identifier);
}

} // namespace quillbox
