#pragma once

#include "app/AppPlatform.h"

#include <QString>
#include <functional>
#include <memory>

namespace quillbox {

class AppServices;
class SettingsWindow;
class StatusItemController;

// The application's surfaces besides the panel and the Paste Stack: the tray
// item, made once the widgets can exist, and the settings window, made when
// first opened and reused after.
class AppChrome {
public:
    // Which keys the menus and the settings name.
    struct Keys {
        QString panel;
        QString pasteStack;
    };

    AppChrome(AppServices& services, const AppPlatform& platform, Keys keys);
    ~AppChrome();

    // The tray item, where the platform makes one.
    void setUpStatusItem();
    // Shows the settings window, hiding the panel first.
    void openSettings();

    StatusItemController* statusItem() const { return m_statusItem; }
    SettingsWindow* settingsWindow() const { return m_settingsWindow.get(); }

private:
    AppServices& m_services;
    const AppPlatform& m_platform;
    Keys m_keys;
    StatusItemController* m_statusItem = nullptr;
    std::unique_ptr<SettingsWindow> m_settingsWindow;
};

} // namespace quillbox
