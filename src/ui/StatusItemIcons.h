#pragma once

#include <QColor>
#include <QIcon>

namespace quillbox {

// Quillbox's own artwork, drawn rather than shipped: the tray item's two
// states for light and dark panels, and the application icon.
namespace StatusItemIcons {

enum class PanelTone { light, dark };

// A clipboard with a quill; paused, it fades and carries a pause mark. Drawn
// at the sizes trays ask for.
QIcon trayIcon(bool paused, PanelTone tone);

// The tone of the panel the tray is likely on, guessed from the desktop's
// palette (a dark window colour means a dark theme).
PanelTone panelToneFor(const QColor& windowColor);

// The full-colour application icon.
QIcon applicationIcon();

} // namespace StatusItemIcons
} // namespace quillbox
