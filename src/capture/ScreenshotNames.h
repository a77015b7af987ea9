#pragma once

#include <QString>
#include <QStringList>

namespace quillbox {

// Which file names in the screenshot folder are screenshots: the default
// names of the desktop's screenshot tools (GNOME Shell, gnome-screenshot,
// Spectacle, Flameshot, Xfce's screenshooter, scrot, ksnip) in the languages
// they are translated to, with an image extension Quillbox records.
namespace ScreenshotNames {

// "png", "jpg", "jpeg", "tiff", "heic": compared with the lower-cased extension.
const QStringList& imageExtensions();
// Fragments any of which the lower-cased, composed name must contain.
const QStringList& nameFragments();

// The name (not a path) passes the extension and name tests and is not a
// hidden file (tools write "." temporaries and rename them).
bool isScreenshotFileName(const QString& fileName);

} // namespace ScreenshotNames

} // namespace quillbox
