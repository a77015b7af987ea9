#pragma once

#include "linux/desktop/DesktopEntryIndex.h"

#include <QIcon>
#include <QString>
#include <optional>

namespace quillbox {

// Application icons by the names windows and desktop entries give, which
// anyone can set: a window's class to any text, a desktop entry's Icon= to
// any path. Nothing here opens a file on the calling thread.
namespace ApplicationIcons {

// An icon of the current theme; a name with a slash is no theme name (and
// could lead the theme lookup out of the theme's folders), so none.
std::optional<QIcon> themed(const QString& name);

// A desktop entry's Icon= value: a theme name, or an absolute path to a
// picture, which must be a regular file and is read on a worker thread.
std::optional<QIcon> fromDesktopEntry(const QString& value);

// The icon of the installed application with this desktop-entry id.
std::optional<QIcon> ofInstalled(DesktopEntryIndex& entries, const QString& identifier);

} // namespace ApplicationIcons

} // namespace quillbox
