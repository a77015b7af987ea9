#pragma once

#include <QIcon>
#include <QString>
#include <optional>

namespace quillbox {

// An application as the desktop reports it: its display name, its identifier
// (on Linux the desktop-entry id without ".desktop") and its icon; each may be
// unknown.
struct RunningApplication {
    std::optional<QString> name;
    std::optional<QString> identifier;
    std::optional<QIcon> icon;
};

// Which application is in front, and the icons of installed applications.
// Answers come from the display server and the installed application list,
// never from waiting on another application.
class FrontmostApplicationSource {
public:
    virtual ~FrontmostApplicationSource() = default;

    // The application whose window is active, or none.
    virtual std::optional<RunningApplication> frontmostApplication() = 0;

    // The icon of the installed application with this identifier, or none when
    // no such application is installed (or it has no icon).
    virtual std::optional<QIcon> installedApplicationIcon(const QString& identifier) = 0;
};

} // namespace quillbox
