#pragma once

#include <QIcon>
#include <QList>
#include <QString>
#include <optional>

namespace quillbox {

// An application a user can pick, identified as the history identifies the
// source of a copy (on Linux the desktop-entry id without ".desktop").
struct InstalledApplication {
    QString identifier;
    QString name;
    QIcon icon; // null when it has none
};

// The applications installed for the user, for choosing which ones to exclude.
class InstalledApplications {
public:
    virtual ~InstalledApplications() = default;

    // Every visible application, by name.
    virtual QList<InstalledApplication> applications() = 0;

    // The application a chosen file stands for: a desktop entry names it;
    // any other file is identified by its file name. None when the path names
    // no file.
    virtual std::optional<InstalledApplication> applicationFromFile(const QString& path) = 0;

    // The icon of the installed application with this identifier, or none.
    virtual std::optional<QIcon> icon(const QString& identifier) = 0;
};

} // namespace quillbox
