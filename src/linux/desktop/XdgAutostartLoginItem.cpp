#include "linux/desktop/XdgAutostartLoginItem.h"

#include "content/AppConstants.h"
#include "content/Logging.h"
#include "linux/desktop/DesktopEntryFormat.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {

// One argument of an Exec value before string escaping: quoted when it holds
// a reserved character (with \ " ` $ escaped inside the quotes), and every
// % doubled, so it is never read as a field code.
QString execArgument(const QString& argument) {
    static const QString reserved = u" \t\n\"'\\><~|&;$*?#()`"_s;
    QString escaped = argument;
    escaped.replace(u'%', u"%%"_s);
    if (std::none_of(argument.begin(), argument.end(),
                     [](QChar c) { return reserved.contains(c); }))
        return escaped;
    for (const QChar c : {u'\\', u'"', u'`', u'$'})
        escaped.replace(c, u"\\"_s + c);
    return u'"' + escaped + u'"';
}

} // namespace

std::optional<QString> XdgAutostartLoginItem::execValue(const QString& program) {
    // Other control characters have no escape in a desktop entry, and a name
    // that was not UTF-8 can't be written back as it is.
    for (const QChar c : program) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\n' && u != u'\t' && u != u'\r') || u == 0x7f ||
            c == QChar::ReplacementCharacter)
            return std::nullopt;
    }
    if (program.isEmpty())
        return std::nullopt;
    // GLib looks the program up before it turns %% back into %, so a path
    // with a % is not the program named first: the shell runs it instead.
    const QStringList arguments = program.contains(u'%')
                                      ? QStringList{u"sh"_s, u"-c"_s, u"exec \"$0\""_s, program}
                                      : QStringList{program};
    QStringList escaped;
    for (const QString& argument : arguments)
        escaped.append(execArgument(argument));
    return DesktopEntryFormat::escaped(escaped.join(u' '));
}

XdgAutostartLoginItem::XdgAutostartLoginItem()
    : XdgAutostartLoginItem(defaultFolder(), defaultProgram()) {
}

XdgAutostartLoginItem::XdgAutostartLoginItem(QString folder, QString program)
    : m_folder(std::move(folder))
    , m_program(std::move(program)) {
}

QString XdgAutostartLoginItem::defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           u"/autostart"_s;
}

QString XdgAutostartLoginItem::defaultProgram() {
    const QString program = QCoreApplication::applicationFilePath();
    const QString onPath = QStandardPaths::findExecutable(u"quillbox"_s);
    if (!onPath.isEmpty() &&
        QFileInfo(onPath).canonicalFilePath() == QFileInfo(program).canonicalFilePath())
        return u"quillbox"_s;
    return program.isEmpty() ? u"quillbox"_s : program;
}

QString XdgAutostartLoginItem::filePath() const {
    return m_folder + u'/' + AppConstants::applicationID + u".desktop"_s;
}

bool XdgAutostartLoginItem::isEnabled() const {
    if (!QFileInfo(filePath()).isFile())
        return false;
    const auto values = DesktopEntryFormat::mainGroup(filePath());
    return values.value(u"Hidden"_s) != u"true" &&
           values.value(u"X-GNOME-Autostart-enabled"_s) != u"false";
}

QString XdgAutostartLoginItem::entryText(const QString& exec) const {
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
           "X-KDE-autostart-after=panel\n"_s.arg(exec);
}

std::optional<QString> XdgAutostartLoginItem::enable() {
    const auto exec = execValue(m_program);
    if (!exec) {
        const QString reason = u"this program's path can't be written in an autostart entry: "
                               "it holds control characters or is not UTF-8"_s;
        qCWarning(lcX11).noquote() << u"Quillbox: launch at login not enabled: "_s + reason;
        return reason;
    }
    // An entry switched off by hand is written anew rather than edited, so
    // no stale key keeps it off.
    if (!QDir().mkpath(m_folder)) {
        const QString reason = u"the folder %1 could not be created"_s.arg(m_folder);
        qCWarning(lcX11).noquote() << u"Quillbox: launch at login not enabled: "_s + reason;
        return reason;
    }
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly) || file.write(entryText(*exec).toUtf8()) < 0 ||
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
