#pragma once

#include <QString>

namespace quillbox {

class Preferences;

namespace AppConstants {

// Added, with empty data, to every clipboard write Quillbox makes itself, so
// the monitor never records its own pastes.
inline const QString internalPasteboardType = QStringLiteral("com.quillbox.internal");

// The desktop-entry id of Quillbox itself; also the source of picked colours.
inline const QString applicationID = QStringLiteral("io.github.quillbox.Quillbox");
inline const QString applicationName = QStringLiteral("Quillbox");

namespace Keys {
inline const QString retentionDays = QStringLiteral("retentionDays");
inline const QString soundEnabled = QStringLiteral("soundEnabled");
inline const QString launchAtLogin = QStringLiteral("launchAtLogin");
inline const QString screenshotMonitoringEnabled = QStringLiteral("screenshotMonitoringEnabled");
// Whether Quillbox offers the clipboard again when the application that held
// it quits (on Linux the clipboard lives in that application).
inline const QString keepClipboardOnQuit = QStringLiteral("keepClipboardOnQuit");
inline const QString panelWidth = QStringLiteral("panelWidth");
inline const QString panelHeight = QStringLiteral("panelHeight");
// The system-wide key combinations as text ("Super+Shift+V"); not
// registered: unset means the built-in combination.
inline const QString panelHotkey = QStringLiteral("panelHotkey");
inline const QString pasteStackHotkey = QStringLiteral("pasteStackHotkey");
inline const QString pasteNextHotkey = QStringLiteral("pasteNextHotkey");
// What the desktop's RemoteDesktop portal gave back for its next session, so
// that it asks the user only once for the keyboard it lends Quillbox.
inline const QString remoteDesktopRestoreToken = QStringLiteral("remoteDesktopRestoreToken");
} // namespace Keys

// Registers the defaults that answer for keys the user never set. Called once
// at start, before the store is opened and before any preference is read.
void registerDefaults(Preferences& preferences);

} // namespace AppConstants
} // namespace quillbox
