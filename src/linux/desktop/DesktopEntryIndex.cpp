#include "linux/desktop/DesktopEntryIndex.h"

#include "content/Logging.h"
#include "linux/desktop/DesktopEntryFormat.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <algorithm>
#include <chrono>

namespace quillbox {

namespace {

// The coarsest modification-time step of the file systems folders live on.
constexpr auto timestampResolution = std::chrono::milliseconds(2000);

// Language keys to try for a localised value, most specific first, from the
// current message locale (LC_ALL, LC_MESSAGES, LANG): lang_COUNTRY@MODIFIER,
// lang_COUNTRY, lang@MODIFIER, lang.
QStringList localeKeys() {
    QString locale;
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = qEnvironmentVariable(variable);
        if (!locale.isEmpty())
            break;
    }
    QString modifier;
    if (const auto at = locale.indexOf(QLatin1Char('@')); at >= 0) {
        modifier = locale.mid(at + 1);
        locale.truncate(at);
    }
    if (const auto dot = locale.indexOf(QLatin1Char('.')); dot >= 0)
        locale.truncate(dot);
    const QString language = locale.section(QLatin1Char('_'), 0, 0);
    const bool hasCountry = locale.contains(QLatin1Char('_'));
    QStringList result;
    if (language.isEmpty() || language == u"C" || language == u"POSIX")
        return result;
    if (hasCountry && !modifier.isEmpty())
        result.append(locale + QLatin1Char('@') + modifier);
    if (hasCountry)
        result.append(locale);
    if (!modifier.isEmpty())
        result.append(language + QLatin1Char('@') + modifier);
    result.append(language);
    return result;
}

// The program an Exec line starts: its first word (double quotes group
// words), after an "env" prefix and its VAR=value assignments.
QString programOf(const QString& exec) {
    QStringList words;
    QString word;
    bool quoted = false;
    bool inWord = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < exec.size())
                word.append(exec.at(++i));
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                word.append(c);
        } else if (c == QLatin1Char('"')) {
            quoted = inWord = true;
        } else if (c.isSpace()) {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else {
            word.append(c);
            inWord = true;
        }
    }
    if (inWord)
        words.append(word);
    qsizetype first = 0;
    if (first < words.size() && QFileInfo(words.at(first)).fileName() == u"env") {
        ++first;
        while (first < words.size() && words.at(first).contains(QLatin1Char('=')))
            ++first;
    }
    return first < words.size() ? words.at(first) : QString();
}

} // namespace

QStringList DesktopEntryIndex::applicationDirectories() {
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    QStringList result;
    for (const auto& base : QStringList{dataHome} + dataDirs.split(QLatin1Char(':'))) {
        if (base.isEmpty())
            continue;
        const QString folder = QDir::cleanPath(base + QStringLiteral("/applications"));
        if (!result.contains(folder))
            result.append(folder);
    }
    return result;
}

std::optional<DesktopEntry> DesktopEntryIndex::parseFile(const QString& path, const QString& id,
                                                         bool* hidden) {
    if (hidden)
        *hidden = false;
    const QHash<QString, QString> values = DesktopEntryFormat::mainGroup(path);
    if (values.value(QStringLiteral("Hidden")) == u"true") {
        if (hidden)
            *hidden = true;
        return std::nullopt;
    }
    if (values.value(QStringLiteral("Type")) != u"Application")
        return std::nullopt;

    DesktopEntry entry;
    entry.id = id;
    entry.filePath = path;
    entry.name = values.value(QStringLiteral("Name"));
    for (const auto& locale : localeKeys()) {
        const auto it = values.constFind(QStringLiteral("Name[%1]").arg(locale));
        if (it != values.cend() && !it->isEmpty()) {
            entry.name = *it;
            break;
        }
    }
    entry.icon = values.value(QStringLiteral("Icon"));
    entry.startupWMClass = values.value(QStringLiteral("StartupWMClass"));
    // A program that runs in a terminal owns no window of its own, so its
    // executable never identifies the window in front.
    if (values.value(QStringLiteral("Terminal")) != u"true")
        entry.program = programOf(values.value(QStringLiteral("Exec")));
    return entry;
}

QList<QPair<QString, QDateTime>> DesktopEntryIndex::folderStamps(const QStringList& folders) {
    QList<QPair<QString, QDateTime>> stamps;
    for (const auto& folder : folders)
        stamps.append({folder, QFileInfo(folder).lastModified()});
    return stamps;
}

void DesktopEntryIndex::scan() {
    const QStringList directories = applicationDirectories();
    // Adding or removing a file or folder changes its folder's time, so the
    // folders seen now are all a later check needs to look at (without
    // listing them again, which would cost more than the lookup).
    m_watchedFolders = directories;
    for (const auto& directory : directories) {
        QDirIterator it(directory, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext())
            m_watchedFolders.append(it.next());
    }
    m_scannedAt = QDateTime::currentDateTimeUtc();
    m_stamps = folderStamps(m_watchedFolders);
    m_entries.clear();
    m_byID.clear();
    m_resolvedPrograms.clear();
    QSet<QString> seen;
    for (const auto& directory : directories) {
        QStringList paths;
        QDirIterator it(directory, {QStringLiteral("*.desktop")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            paths.append(it.next());
        paths.sort();
        const QDir root(directory);
        for (const auto& path : paths) {
            // The id of applications/kde4/foo.desktop is "kde4-foo".
            QString id = root.relativeFilePath(path);
            id.chop(static_cast<qsizetype>(sizeof(".desktop") - 1));
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            if (seen.contains(id))
                continue;
            seen.insert(id);
            if (auto entry = parseFile(path, id)) {
                m_byID.insert(id, static_cast<int>(m_entries.size()));
                m_entries.append(*entry);
            }
        }
    }
    m_scanned = true;
    qCDebug(lcX11, "Quillbox: %d application entries found", static_cast<int>(m_entries.size()));
}

bool DesktopEntryIndex::rescanIfChanged() {
    // The environment may name other folders by now, too.
    const QStringList directories = applicationDirectories();
    const bool unchanged = m_watchedFolders.mid(0, directories.size()) == directories &&
                           folderStamps(m_watchedFolders) == m_stamps;
    // A folder changed shortly before the scan may have changed again within
    // the same timestamp tick (coarse on Linux, 2 s on some file systems):
    // such a stamp proves nothing until that much time has passed.
    const QDateTime settled = m_scannedAt.addMSecs(-timestampResolution.count());
    const bool settledStamps =
        std::all_of(m_stamps.cbegin(), m_stamps.cend(), [&](const auto& stamp) {
            return !stamp.second.isValid() || stamp.second < settled;
        });
    if (unchanged && settledStamps)
        return false;
    scan();
    return true;
}

const QList<DesktopEntry>& DesktopEntryIndex::scannedEntries() {
    scan();
    return m_entries;
}

std::optional<DesktopEntry> DesktopEntryIndex::entry(const QString& id) {
    if (!m_scanned)
        scan();
    auto it = m_byID.constFind(id);
    if (it == m_byID.cend() && rescanIfChanged())
        it = m_byID.constFind(id);
    if (it == m_byID.cend())
        return std::nullopt;
    return m_entries.at(*it);
}

std::optional<DesktopEntry> DesktopEntryIndex::match(const QString& windowInstance,
                                                     const QString& windowClass,
                                                     const QString& executablePath) {
    if (!m_scanned)
        scan();
    if (auto found = find(windowInstance, windowClass, executablePath))
        return found;
    if (rescanIfChanged())
        return find(windowInstance, windowClass, executablePath);
    return std::nullopt;
}

const QString& DesktopEntryIndex::resolvedProgram(int index) {
    auto it = m_resolvedPrograms.find(index);
    if (it == m_resolvedPrograms.end()) {
        const QString& program = m_entries.at(index).program;
        QString path =
            QFileInfo(program).isAbsolute() ? program : QStandardPaths::findExecutable(program);
        if (!path.isEmpty())
            path = QFileInfo(path).canonicalFilePath();
        it = m_resolvedPrograms.insert(index, path);
    }
    return *it;
}

std::optional<DesktopEntry> DesktopEntryIndex::find(const QString& windowInstance,
                                                    const QString& windowClass,
                                                    const QString& executablePath) {
    const auto firstWhere = [this](const auto& predicate) -> std::optional<DesktopEntry> {
        for (const auto& entry : std::as_const(m_entries)) {
            if (predicate(entry))
                return entry;
        }
        return std::nullopt;
    };
    for (const auto& wmName : {windowClass, windowInstance}) {
        if (wmName.isEmpty())
            continue;
        if (auto found =
                firstWhere([&](const DesktopEntry& e) { return e.startupWMClass == wmName; }))
            return found;
    }
    for (const auto& wmName : {windowClass, windowInstance}) {
        if (wmName.isEmpty())
            continue;
        if (auto found = firstWhere([&](const DesktopEntry& e) {
                return e.id.compare(wmName, Qt::CaseInsensitive) == 0 ||
                       (e.id.contains(QLatin1Char('.')) &&
                        e.id.section(QLatin1Char('.'), -1).compare(wmName, Qt::CaseInsensitive) ==
                            0);
            }))
            return found;
    }
    if (executablePath.isEmpty())
        return std::nullopt;
    const QString executableName = QFileInfo(executablePath).fileName();
    if (auto found = firstWhere([&](const DesktopEntry& e) {
            return !e.program.isEmpty() && QFileInfo(e.program).fileName() == executableName;
        }))
        return found;
    // Exec may name a link (/usr/bin/firefox → /usr/lib/firefox/firefox).
    for (int i = 0; i < m_entries.size(); ++i) {
        if (!m_entries.at(i).program.isEmpty() && resolvedProgram(i) == executablePath)
            return m_entries.at(i);
    }
    return std::nullopt;
}

} // namespace quillbox
