#include "linux/desktop/DesktopApplicationCatalog.h"

#include "linux/desktop/ApplicationIcons.h"
#include "linux/desktop/DesktopEntryIndex.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
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
    QSet<QString> seen;
    for (const auto& directory : DesktopEntryIndex::applicationDirectories()) {
        QStringList paths;
        QDirIterator it(directory, {u"*.desktop"_s}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            paths.append(it.next());
        paths.sort();
        const QDir root(directory);
        for (const auto& path : paths) {
            // The id of applications/kde4/foo.desktop is "kde4-foo"; a hidden
            // entry also hides the same id in later folders.
            QString id = root.relativeFilePath(path);
            id.chop(desktopSuffix.size());
            id.replace(u'/', u'-');
            if (seen.contains(id))
                continue;
            seen.insert(id);
            if (auto entry = DesktopEntryIndex::parseFile(path, id);
                entry && !entry->name.isEmpty())
                result.append(fromEntry(*entry));
        }
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
    for (const auto& directory : DesktopEntryIndex::applicationDirectories()) {
        // Ids with dashes may stand for subfolders; the plain file is the usual case.
        const QString path = directory + u'/' + identifier + desktopSuffix;
        if (QFileInfo(path).isFile()) {
            if (auto entry = DesktopEntryIndex::parseFile(path, identifier))
                return ApplicationIcons::fromDesktopEntry(entry->icon);
            return std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace quillbox
