#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace quillbox {

// What finding the screenshot folder needs to know of the system; the real
// one reads the environment and the disk (SystemScreenshotFolderEnvironment),
// tests give a table.
class ScreenshotFolderEnvironment {
public:
    virtual ~ScreenshotFolderEnvironment() = default;
    virtual QString homePath() const = 0;
    // $XDG_CONFIG_HOME, else ~/.config.
    virtual QString configHome() const = 0;
    // The XDG Pictures folder (user-dirs.dirs), empty when none is set.
    virtual QString picturesPath() const = 0;
    // $XDG_CURRENT_DESKTOP, as it stands ("KDE", "GNOME", "XFCE", "ubuntu:GNOME").
    virtual QString currentDesktop() const = 0;
    // The file's bytes, or none when it cannot be read.
    virtual std::optional<QByteArray> readFile(const QString& path) const = 0;
    virtual bool isDirectory(const QString& path) const = 0;
};

// The folder where the desktop's screenshot tool saves: the folder configured
// in the tool in use (Spectacle, Xfce's screenshooter, Flameshot), else the
// Screenshots folder in Pictures under its English or translated name
// (GNOME Shell's), else Pictures, else ~/Desktop. Only folders that exist
// count, except the last resort.
//
// gnome-screenshot's auto-save-directory lives in dconf, which is read only
// through another process (gsettings); it is not asked, and GNOME Shell, which
// took over screenshots from it, always saves to Pictures/Screenshots.
namespace ScreenshotFolder {

struct Location {
    QString path;
    // Where the path came from, for the log: "Spectacle", "Flameshot",
    // "Xfce Screenshooter", "Pictures/Screenshots", "Pictures", "Desktop".
    QString source;
};

Location locate(const ScreenshotFolderEnvironment& environment);

// The names GNOME gives its Screenshots folder in Pictures, English first.
const QStringList& screenshotsFolderNames();

// One value of an INI-style file ([Group] then key=value lines), with KDE's
// "[$e]" key suffix accepted; an empty group matches keys before any group.
std::optional<QString> iniValue(const QByteArray& contents, const QString& group,
                                const QString& key);

} // namespace ScreenshotFolder

} // namespace quillbox

namespace quillbox {

// This system's environment variables, Pictures folder and files.
class SystemScreenshotFolderEnvironment : public ScreenshotFolderEnvironment {
public:
    QString homePath() const override;
    QString configHome() const override;
    QString picturesPath() const override;
    QString currentDesktop() const override;
    std::optional<QByteArray> readFile(const QString& path) const override;
    bool isDirectory(const QString& path) const override;
};

} // namespace quillbox
