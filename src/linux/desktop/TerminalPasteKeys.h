#pragma once

#include <QString>

namespace quillbox {

// The key combination that pastes the clipboard in a window.
enum class PasteKeys {
    ctrlV,      // applications in general
    ctrlShiftV, // terminals, where Ctrl+V types a literal ^V
    ctrlAltV,   // rxvt-unicode, where Ctrl+Shift+V is not a paste key
    none,       // no key pastes the clipboard (xterm: Shift+Insert pastes PRIMARY)
};

// Chooses the paste keys by the window's WM_CLASS (instance and class names,
// matched without regard to letter case).
PasteKeys pasteKeysForWindowClass(const QString& instanceName, const QString& className);

// Chooses the paste keys by the application's desktop-entry id or Wayland app
// id ("org.kde.konsole", "foot"): the whole id or its last dotted part.
PasteKeys pasteKeysForApplication(const QString& identifier);

} // namespace quillbox
