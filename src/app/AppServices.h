#pragma once

#include "app/AppPlatform.h"
#include "core/GlobalShortcuts.h"
#include "core/PasteStackCoordinator.h"
#include "core/PasteStackManager.h"
#include "history/ClipboardItem.h"
#include "history/StoreContainer.h"

#include <QObject>
#include <functional>
#include <memory>

namespace quillbox {

class AccessibilityManager;
class AppChrome;
class AppState;
class ClipboardMonitor;
class ColorPickerService;
class ClipboardKeeper;
class HistoryRetention;
class HistoryStore;
class OCRService;
class PanelColorPicker;
class PanelCommandHandler;
class PanelCoordinator;
class PanelListModel;
class PasteService;
class ScreenshotMonitoring;
class Preferences;
class SoundManager;
class SettingsWindow;
class SourceAppResolver;
class StatusItemController;

// The composition root: owns every long-lived service, brings them up in a
// fixed order and tears things down at quit. One per process, made by main().
class AppServices : public QObject {
    Q_OBJECT
public:
    // Present in the environment of test hosts: the store stays in memory and
    // start() does nothing.
    static inline const char* const testEnvironmentVariable = "XCTestConfigurationFilePath";

    // Registers the preference defaults and opens the store (in memory under
    // a test host) unless a container is given.
    AppServices(AppPlatform platform, std::unique_ptr<Preferences> preferences,
                StoreContainerPtr container = nullptr, QObject* parent = nullptr);
    ~AppServices() override;

    // Brings the application up, once; later calls do nothing.
    void start();
    // Stops monitors and timers at quit. The services stay usable.
    void stop();
    bool isStarted() const { return m_isStarted; }

    // Picks a colour with the panel out of the way (PanelColorPicker::pickColor).
    bool pickColor(bool reopenPanel, std::function<void(ClipboardItemPtr)> done = {});

    // Shows the settings window (made on first use, then reused), hiding the
    // panel first; nothing before start.
    void openSettings();

    Preferences& preferences() { return *m_preferences; }
    HistoryStore& historyStore() { return *m_historyStore; }
    StoreContainerPtr modelContainer() const { return m_modelContainer; }
    AppState& appState() { return *m_appState; }
    PasteStackManager& pasteStack() { return *m_pasteStack; }
    ClipboardMonitor* clipboardMonitor() const { return m_clipboardMonitor; }
    ClipboardKeeper* clipboardKeeper() const { return m_clipboardKeeper.get(); }
    Pasteboard& pasteboard() { return *m_platform.pasteboard; }
    SoundManager& soundManager() { return *m_soundManager; }
    AccessibilityManager& accessibilityManager() { return *m_accessibilityManager; }
    ColorPickerService& colorPicker() { return *m_colorPicker; }
    // Absent when the platform has no keystroke sender or text recognizer.
    PasteService* pasteService() const { return m_pasteService; }
    KeystrokeSender* keystrokeSender() const { return m_platform.keystrokeSender.get(); }
    OCRService* ocrService() const { return m_ocrService.get(); }
    // The panel's list; absent before start.
    PanelListModel* panelList() const { return m_panelList; }
    // The panel's window; absent before start and where the platform makes none.
    PanelWindowPort* panel() const;
    // Starts the Paste Stack, or ends the one running.
    void togglePasteStackFromCommand() { m_pasteStack->toggle(); }
    // Pastes the running stack's next item (PasteStackCoordinator::pasteNext);
    // before start, answers that no run goes on.
    void pasteNextFromStack(PasteStackCoordinator::PasteNextDone done);
    // The Paste Stack's window; absent until the first run, and where the
    // platform makes none.
    PasteStackWindowPort* pasteStackWindow() const;
    // Absent before start, and where there is no tray factory.
    StatusItemController* statusItem() const;
    // Absent until the settings were first opened.
    SettingsWindow* settingsWindow() const;

private:
    void startClipboardMonitor();
    // The panel's list, its commands, the text recognition that runs while
    // searching and, where the platform makes one, its window.
    void setUpPanel();

    AppPlatform m_platform;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<SourceAppResolver> m_sourceAppResolver;
    std::unique_ptr<SoundManager> m_soundManager;
    StoreContainerPtr m_modelContainer;
    HistoryStore* m_historyStore = nullptr;
    AppState* m_appState = nullptr;
    PasteStackManager* m_pasteStack = nullptr;
    AccessibilityManager* m_accessibilityManager = nullptr;
    ColorPickerService* m_colorPicker = nullptr;
    PasteService* m_pasteService = nullptr;
    std::unique_ptr<OCRService> m_ocrService;
    ClipboardMonitor* m_clipboardMonitor = nullptr;
    // Owned here rather than as a child, so that it goes before the
    // platform's directory watcher it uses.
    std::unique_ptr<ScreenshotMonitoring> m_screenshots;
    // Goes before the platform's pasteboard that reports to it.
    std::unique_ptr<ClipboardKeeper> m_clipboardKeeper;
    PanelListModel* m_panelList = nullptr;
    PanelCommandHandler* m_panelCommands = nullptr;
    std::unique_ptr<PanelCoordinator> m_panel;
    // As the preferences set them at start.
    GlobalShortcuts m_shortcuts;
    // Goes before the platform's pasteboard and key watcher that report to it.
    std::unique_ptr<PasteStackCoordinator> m_pasteStackCoordinator;
    PanelColorPicker* m_panelColorPicker = nullptr;
    // The tray item and the settings window, from start.
    std::unique_ptr<AppChrome> m_chrome;
    HistoryRetention* m_retention = nullptr;
    bool m_isStarted = false;
};

} // namespace quillbox
