#pragma once

#include "core/KeyCombination.h"

#include <QString>
#include <functional>

namespace quillbox {

class AccessibilityManager;
class HistoryStore;
class InstalledApplications;
class LoginItemService;
class Preferences;

// What the settings pages read and change; all of it outlives the window.
struct SettingsContext {
    Preferences& preferences;
    HistoryStore& historyStore;
    AccessibilityManager& accessibility;
    LoginItemService& loginItem;
    InstalledApplications& installedApplications;
    // Where the history is kept, as the about page shows it.
    QString historyLocation;
    // The folder screenshot capture watches; the row is left out without it.
    std::function<QString()> screenshotFolder;
    // The system-wide key combinations registered, as the shortcuts page names them.
    QString panelKeys = KeyCombination::panelDefault().toString();
    QString pasteStackKeys = KeyCombination::pasteStackDefault().toString();
};

} // namespace quillbox
