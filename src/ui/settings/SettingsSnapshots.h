#pragma once

#include <QString>
#include <QStringList>

class QMenu;

namespace quillbox {

class SettingsWindow;

// Renders each page of the settings window, and the tray menu opened, into
// PNG files in the folder (settings-general.png, …, tray-menu.png) so a
// person can look at them. The tray menu is left out when null. Returns the
// files written.
QStringList renderSettingsSnapshots(const QString& folder, SettingsWindow& window,
                                    QMenu* trayMenu = nullptr);

} // namespace quillbox
