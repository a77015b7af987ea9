#include "linux/XdgAutostartLoginItem.h"

#include "content/AppConstants.h"
#include "content/Logging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {

// An autostart entry is a few hundred bytes; a far larger file is not ours to parse.
constexpr qint64 maxEntrySize = 256 * 1024;

// The values of the entry's main group; later groups (actions) are not read.
QHash<QString, QString> mainGroup(const QString& path) {
    QHash<QString, QString> values;
    QFile file(path);
    if (file.size() > maxEntrySize || !file.open(QIODevice::ReadOnly))
        return values;
    bool inMainGroup = false;
    for (const auto& rawLine : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QString line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            if (inMainGroup)
                break;
            inMainGroup = line == u"[Desktop Entry]";
            continue;
        }
        const auto equals = line.indexOf(u'=');
        if (inMainGroup && equals > 0)
            values.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
    return values;
}

// Desktop entries quote arguments holding spaces or quoting characters.
QString quotedArgument(const QString& argument) {
    static const QString special = u" \t\n\"'\\><~|&;$*?#()`"_s;
    if (std::none_of(argument.begin(), argument.end(), [](QChar c) { return special.contains(c); }))
        return argument;
    QString escaped = argument;
    for (const QChar c : {u'\\', u'"', u'`', u'$'})
        escaped.replace(c, u"\\"_s + c);
    escaped.replace(u"\\"_s, u"\\\\"_s); // string-value escaping of the backslashes
    return u'"' + escaped + u'"';
}

} // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem()
    : XdgAutostartLoginItem(defaultFolder(), defaultCommand()) {
}

XdgAutostartLoginItem::XdgAutostartLoginItem(QString folder, QString command)
    : m_folder(std::move(folder))
    , m_command(std::move(command)) {
}

QString XdgAutostartLoginItem::defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           u"/autostart"_s;
}

QString XdgAutostartLoginItem::defaultCommand() {
    const QString program = QCoreApplication::applicationFilePath();
    const QString onPath = QStandardPaths::findExecutable(u"quillbox"_s);
    if (!onPath.isEmpty() &&
        QFileInfo(onPath).canonicalFilePath() == QFileInfo(program).canonicalFilePath())
        return u"quillbox"_s;
    return program.isEmpty() ? u"quillbox"_s : quotedArgument(program);
}

QString XdgAutostartLoginItem::filePath() const {
    return m_folder + u'/' + AppConstants::applicationID + u".desktop"_s;
}

bool XdgAutostartLoginItem::isEnabled() const {
    if (!QFileInfo(filePath()).isFile())
        return false;
    const auto values = mainGroup(filePath());
    return values.value(u"Hidden"_s) != u"true" &&
           values.value(u"X-GNOME-Autostart-enabled"_s) != u"false";
}

QString XdgAutostartLoginItem::entryText() const {
    return u"[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Quillbox\n"
           "Comment=Keep a history of what you copy and paste it back\n"
           "Exec=%1\n"
           "Icon=io.github.quillbox.Quillbox\n"
           "Terminal=false\n"
           "StartupNotify=false\n"
           "X-GNOME-Autostart-enabled=true\n"
           "X-GNOME-Autostart-Phase=Applications\n"
           "X-KDE-autostart-after=panel\n"_s.arg(m_command);
}

std::optional<QString> XdgAutostartLoginItem::enable() {
    // An entry switched off by hand is written anew rather than edited, so
    // no stale key keeps it off.
    if (!QDir().mkpath(m_folder)) {
        const QString reason = u"the folder %1 could not be created"_s.arg(m_folder);
        qCWarning(lcX11).noquote() << u"Quillbox: launch at login not enabled: "_s + reason;
        return reason;
    }
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly) || file.write(entryText().toUtf8()) < 0 ||
        !file.commit()) {
        const QString reason = file.errorString();
        qCWarning(lcX11).noquote() << u"Quillbox: launch at login not enabled: "_s + reason;
        return reason;
    }
    return std::nullopt;
}

std::optional<QString> XdgAutostartLoginItem::disable() {
    QFile file(filePath());
    if (!QFileInfo::exists(filePath()) && !QFileInfo(filePath()).isSymLink())
        return std::nullopt;
    if (!file.remove()) {
        const QString reason = file.errorString();
        qCWarning(lcX11).noquote() << u"Quillbox: launch at login not disabled: "_s + reason;
        return reason;
    }
    return std::nullopt;
}

} // namespace quillbox
