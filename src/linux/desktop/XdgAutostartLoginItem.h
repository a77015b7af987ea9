#pragma once

#include "ports/LoginItemService.h"

#include <QString>
#include <optional>

namespace quillbox {

// Launch at login through the XDG autostart folder: an entry
// <folder>/io.github.quillbox.Quillbox.desktop that the desktop runs at login.
// It counts as on when the file exists and neither hides itself (Hidden=true)
// nor is switched off (X-GNOME-Autostart-enabled=false), which is how desktops
// record a user's change made in their own settings.
class XdgAutostartLoginItem : public LoginItemService {
public:
    // The standard folder, $XDG_CONFIG_HOME/autostart, and the running program.
    XdgAutostartLoginItem();
    XdgAutostartLoginItem(QString folder, QString program);

    static QString defaultFolder();
    // The program the entry runs: "quillbox" when that is the program found
    // on PATH, else this program's absolute path.
    static QString defaultProgram();
    // The entry's Exec value that runs the program, escaped as desktop
    // entries require; none when an entry can't name it.
    static std::optional<QString> execValue(const QString& program);

    QString filePath() const;

    bool isEnabled() const override;
    std::optional<QString> enable() override;
    std::optional<QString> disable() override;

private:
    QString entryText(const QString& exec) const;

    QString m_folder;
    QString m_program;
};

} // namespace quillbox
