#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace quillbox {

// One installed application, as its desktop entry describes it.
struct DesktopEntry {
    QString id;             // the desktop-file id without ".desktop"
    QString name;           // Name, localised for the user's language
    QString icon;           // an icon-theme name or an absolute path
    QString startupWMClass; // the window class its windows carry, when stated
    QString program;        // the program Exec starts, as written
    QString filePath;
};

// The installed applications' desktop entries, from $XDG_DATA_HOME and
// $XDG_DATA_DIRS "applications" folders (earlier folders win), with their
// subfolders but not folders linked into them (a link to /usr would make
// every lookup a walk of the whole tree); linked entry files count. Read once, on
// first use, and again when a lookup misses and a folder has changed since.
class DesktopEntryIndex {
public:
    std::optional<DesktopEntry> entry(const QString& id);

    // Every application entry, in folder order, read afresh: an entry edited
    // in place leaves its folder's time as it was.
    const QList<DesktopEntry>& scannedEntries();

    // The application whose window has this WM_CLASS (instance, class) and
    // whose process runs this executable: by StartupWMClass, then by an id
    // matching the class (letter case aside, or as the last part of a
    // reverse-DNS id), then by the program Exec starts.
    std::optional<DesktopEntry> match(const QString& windowInstance, const QString& windowClass,
                                      const QString& executablePath);

    // The "applications" folders, most important first.
    static QStringList applicationDirectories();

    // Parses one desktop file; none when it is not a visible application
    // entry (Hidden=true hides it, and any entry of the same id below it).
    static std::optional<DesktopEntry> parseFile(const QString& path, const QString& id,
                                                 bool* hidden = nullptr);

private:
    std::optional<DesktopEntry> find(const QString& windowInstance, const QString& windowClass,
                                     const QString& executablePath);
    void scan();
    // Rescans when the folders changed since the last scan; true if it did.
    bool rescanIfChanged();
    static QList<QPair<QString, QDateTime>> folderStamps(const QStringList& folders);
    const QString& resolvedProgram(int index);

    bool m_scanned = false;
    QList<DesktopEntry> m_entries;
    QHash<QString, int> m_byID;
    QHash<int, QString> m_resolvedPrograms;
    QStringList m_watchedFolders; // the application folders first, then their subfolders
    QList<QPair<QString, QDateTime>> m_stamps;
    QDateTime m_scannedAt;
};

} // namespace quillbox
