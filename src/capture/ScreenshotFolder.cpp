#include "capture/ScreenshotFolder.h"

#include <QDir>
#include <QUrl>

namespace quillbox::ScreenshotFolder {

const QStringList& screenshotsFolderNames() {
    // GNOME Shell creates Pictures/_("Screenshots") in the session's language.
    static const QStringList names{
        QStringLiteral("Screenshots"),
        QStringLiteral("Bildschirmfotos"),       // de
        QStringLiteral("Captures d\u2019écran"), // fr
        QStringLiteral("Captures d'écran"),      // fr, ASCII apostrophe
        QStringLiteral("Capturas de pantalla"),  // es
        QStringLiteral("Captures de pantalla"),  // ca
        QStringLiteral("Capturas de tela"),      // pt_BR
        QStringLiteral("Capturas de ecrã"),      // pt
        QStringLiteral("Schermate"),             // it
        QStringLiteral("Schermafdrukken"),       // nl
        QStringLiteral("Skärmbilder"),           // sv
        QStringLiteral("Skærmbilleder"),         // da
        QStringLiteral("Skjermbilder"),          // nb
        QStringLiteral("Kuvakaappaukset"),       // fi
        QStringLiteral("Képernyőképek"),         // hu
        QStringLiteral("Zrzuty ekranu"),         // pl
        QStringLiteral("Snímky obrazovky"),      // cs
        QStringLiteral("Ekran Görüntüleri"),     // tr
        QStringLiteral("Снимки экрана"),         // ru
        QStringLiteral("Знімки екрана"),         // uk
        QStringLiteral("スクリーンショット"),    // ja
        QStringLiteral("截图"),                  // zh_CN
        QStringLiteral("擷圖"),                  // zh_TW
        QStringLiteral("스크린샷"),              // ko
    };
    return names;
}

std::optional<QString> iniValue(const QByteArray& contents, const QString& group,
                                const QString& key) {
    QString currentGroup;
    const QStringList lines = QString::fromUtf8(contents).split(u'\n');
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            currentGroup = line.mid(1, line.size() - 2);
            continue;
        }
        if (currentGroup != group)
            continue;
        const auto equals = line.indexOf(u'=');
        if (equals < 0)
            continue;
        QString name = line.left(equals).trimmed();
        // KDE marks values whose $VARIABLES are to be expanded with "[$e]".
        if (name.endsWith(QStringLiteral("[$e]")))
            name.chop(4);
        if (name == key)
            return line.mid(equals + 1).trimmed();
    }
    return std::nullopt;
}

namespace {

// A configured folder as tools write it: a path, "~/…", "$HOME/…" or a
// file: URL; QSettings-written files may quote it.
QString expandFolder(QString value, const QString& home) {
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
        value = value.mid(1, value.size() - 2);
    if (value.startsWith(QStringLiteral("file:")))
        value = QUrl(value).toLocalFile();
    if (value == u'~' || value.startsWith(QStringLiteral("~/")))
        value = home + value.mid(1);
    else if (value.startsWith(QStringLiteral("$HOME")))
        value = home + value.mid(5);
    return QDir::cleanPath(value);
}

struct ToolSetting {
    const char* tool;
    const char* desktop; // the desktop whose tool it is, or null
    const char* file;    // under the config home
    const char* group;
    const char* key;
};

// Spectacle before 24 wrote [General] or [Save] defaultSaveLocation; later
// versions [ImageSave] imageSaveLocation.
constexpr ToolSetting toolSettings[] = {
    {"Spectacle", "KDE", "spectaclerc", "ImageSave", "imageSaveLocation"},
    {"Spectacle", "KDE", "spectaclerc", "Save", "defaultSaveLocation"},
    {"Spectacle", "KDE", "spectaclerc", "General", "defaultSaveLocation"},
    {"Xfce Screenshooter", "XFCE", "xfce4/xfce4-screenshooter", "", "screenshot_dir"},
    {"Flameshot", nullptr, "flameshot/flameshot.ini", "General", "savePath"},
};

std::optional<Location> configuredFolder(const ScreenshotFolderEnvironment& environment,
                                         const ToolSetting& setting) {
    const auto contents =
        environment.readFile(environment.configHome() + u'/' + QString::fromLatin1(setting.file));
    if (!contents)
        return std::nullopt;
    const auto value =
        iniValue(*contents, QString::fromLatin1(setting.group), QString::fromLatin1(setting.key));
    if (!value || value->isEmpty())
        return std::nullopt;
    const QString path = expandFolder(*value, environment.homePath());
    if (!environment.isDirectory(path))
        return std::nullopt;
    return Location{path, QString::fromLatin1(setting.tool)};
}

bool isCurrentDesktop(const ScreenshotFolderEnvironment& environment, const char* desktop) {
    const QStringList desktops = environment.currentDesktop().split(u':', Qt::SkipEmptyParts);
    return desktop && desktops.contains(QString::fromLatin1(desktop), Qt::CaseInsensitive);
}

} // namespace

Location locate(const ScreenshotFolderEnvironment& environment) {
    // The tool of the desktop in use first, then the others: a folder set in
    // Flameshot (which runs on any desktop) or in a tool of another desktop.
    for (const bool ofThisDesktop : {true, false}) {
        for (const ToolSetting& setting : toolSettings) {
            if (isCurrentDesktop(environment, setting.desktop) != ofThisDesktop)
                continue;
            if (auto location = configuredFolder(environment, setting))
                return *location;
        }
    }
    const QString home = environment.homePath();
    const QString pictures = environment.picturesPath().isEmpty()
                                 ? home + QStringLiteral("/Pictures")
                                 : environment.picturesPath();
    for (const QString& name : screenshotsFolderNames()) {
        const QString path = pictures + u'/' + name;
        if (environment.isDirectory(path))
            return {path, QStringLiteral("Pictures/Screenshots")};
    }
    if (environment.isDirectory(pictures))
        return {pictures, QStringLiteral("Pictures")};
    return {home + QStringLiteral("/Desktop"), QStringLiteral("Desktop")};
}

} // namespace quillbox::ScreenshotFolder

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace quillbox {

namespace {
// Tools' settings files are a few kilobytes; anything larger is not one.
constexpr qint64 settingsFileLimit = 1024 * 1024;
} // namespace

QString SystemScreenshotFolderEnvironment::homePath() const {
    return QDir::homePath();
}

QString SystemScreenshotFolderEnvironment::configHome() const {
    const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
    return configured.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : configured;
}

QString SystemScreenshotFolderEnvironment::picturesPath() const {
    return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
}

QString SystemScreenshotFolderEnvironment::currentDesktop() const {
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP");
}

std::optional<QByteArray> SystemScreenshotFolderEnvironment::readFile(const QString& path) const {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.read(settingsFileLimit);
}

bool SystemScreenshotFolderEnvironment::isDirectory(const QString& path) const {
    return QFileInfo(path).isDir();
}

} // namespace quillbox
