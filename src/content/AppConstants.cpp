#include "content/AppConstants.h"

#include "content/Preferences.h"

namespace quillbox::AppConstants {

void registerDefaults(Preferences& preferences) {
    preferences.registerDefaults({
        {Keys::retentionDays, -1},
        {Keys::soundEnabled, true},
        {Keys::launchAtLogin, false},
        {Keys::screenshotMonitoringEnabled, true},
        {Keys::keepClipboardOnQuit, true},
    });
}

} // namespace quillbox::AppConstants
