#include "app/AppServices.h"

#include "app/AppChrome.h"
#include "capture/ClipboardMonitor.h"
#include "capture/NotificationCenter.h"
#include "capture/OCRService.h"
#include "capture/ScreenshotMonitoring.h"
#include "capture/SourceAppResolver.h"
#include "content/AppConstants.h"
#include "content/PasteboardTypes.h"
#include "content/Preferences.h"
#include "core/AccessibilityManager.h"
#include "core/AppState.h"
#include "core/ClipboardKeeper.h"
#include "core/ColorPickerService.h"
#include "core/HistoryRetention.h"
#include "core/PanelColorPicker.h"
#include "core/PanelCommandHandler.h"
#include "core/PanelCoordinator.h"
#include "core/PanelListModel.h"
#include "core/PasteService.h"
#include "core/SearchRecognition.h"
#include "core/SoundManager.h"
#include "history/HistoryStore.h"

#include <QPointer>

namespace quillbox {

namespace {
bool isUnderTestHost() {
    return qEnvironmentVariableIsSet(AppServices::testEnvironmentVariable);
}
} // namespace

AppServices::AppServices(AppPlatform platform, std::unique_ptr<Preferences> preferences,
                         StoreContainerPtr container, QObject* parent)
    : QObject(parent)
    , m_platform(std::move(platform))
    , m_preferences(std::move(preferences)) {
    m_appState = new AppState(this);
    m_appState->setSessionNotice(m_platform.sessionNotice);
    m_pasteStack = new PasteStackManager(this);

    AppConstants::registerDefaults(*m_preferences);

    m_modelContainer =
        container ? std::move(container) : StoreContainer::makeShared(isUnderTestHost());
    m_historyStore = new HistoryStore(m_modelContainer, this);
    m_retention = new HistoryRetention(*m_historyStore, *m_preferences, this);

    m_sourceAppResolver = std::make_unique<SourceAppResolver>(*m_platform.frontmostApplications);
    m_soundManager = std::make_unique<SoundManager>(*m_platform.soundPlayer, *m_preferences);
    m_accessibilityManager = new AccessibilityManager(*m_platform.accessProbe, this);
    m_colorPicker = new ColorPickerService(*m_platform.colorSampler, *m_platform.pasteboard,
                                           *m_soundManager, this);
    m_panelColorPicker = new PanelColorPicker(*m_colorPicker, *m_appState, *m_historyStore, this);
    if (m_platform.keystrokeSender) {
        m_pasteService =
            new PasteService(*m_platform.pasteboard, *m_historyStore, *m_platform.keystrokeSender,
                             *m_accessibilityManager, *m_soundManager, this);
        // The panel is gone by then: the desktop tells the user.
        if (UserNotifier* notifier = m_platform.notifier.get())
            connect(m_pasteService, &PasteService::pasteStoppedShort, this,
                    [notifier](const QString& message) {
                        notifier->notify(QStringLiteral("Quillbox"), message);
                    });
    }
    if (m_platform.textRecognizer)
        m_ocrService = std::make_unique<OCRService>(m_platform.textRecognizer);
}

AppServices::~AppServices() {
    stop();
}

void AppServices::start() {
    if (m_isStarted || isUnderTestHost())
        return;
    m_isStarted = true;
    m_shortcuts.readFrom(*m_preferences, m_platform.pasteKeyWatcher != nullptr);
    startClipboardMonitor();
    if (m_platform.directoryWatcher) {
        m_screenshots = std::make_unique<ScreenshotMonitoring>(
            *m_platform.directoryWatcher, *m_historyStore, NotificationCenter::shared(),
            m_ocrService.get(), *m_preferences);
        m_screenshots->followPreference();
    }
    setUpPanel();
    m_chrome =
        std::make_unique<AppChrome>(*this, m_platform,
                                    AppChrome::Keys{m_shortcuts.panelKeys().toString(),
                                                    m_shortcuts.pasteStackKeys().toString()});
    m_chrome->setUpStatusItem();
    if (m_platform.hotkeyBackend)
        m_shortcuts.registerWith(
            *m_platform.hotkeyBackend, [this] { m_appState->togglePanel(); },
            [this] { m_pasteStack->toggle(); },
            [this] {
                if (m_pasteStackCoordinator)
                    m_pasteStackCoordinator->pasteNextFromKey(m_platform.notifier.get());
            });
    // The Paste Stack across applications, its window made on the first run.
    PasteStackCoordinator::WindowFactory makeWindow;
    if (m_platform.makePasteStackWindow) {
        makeWindow = [this](const PasteStackSetup& setup) {
            return m_platform.makePasteStackWindow(setup, m_platform.windowHints.get());
        };
    }
    std::optional<QString> pasteNextKeys;
    if (m_shortcuts.isPasteNextRegistered())
        pasteNextKeys = m_shortcuts.pasteNextKeys()->toString();
    m_pasteStackCoordinator = std::make_unique<PasteStackCoordinator>(
        *m_pasteStack, *m_platform.pasteboard, m_platform.pasteKeyWatcher.get(),
        m_platform.keystrokeSender.get(), *m_accessibilityManager, std::move(makeWindow),
        PasteStackCoordinator::Texts{m_shortcuts.pasteStackKeys().toString(),
                                     PasteStackCoordinator::pasteNextHint(
                                         m_platform.pasteKeyWatcher != nullptr, pasteNextKeys)});
    m_retention->start();
}

void AppServices::stop() {
    if (m_clipboardMonitor)
        m_clipboardMonitor->stop();
    if (m_screenshots)
        m_screenshots->setEnabled(false);
    m_retention->stop();
    m_shortcuts.unregisterAll();
    if (m_pasteStackCoordinator)
        m_pasteStackCoordinator->stopWatching();
}

void AppServices::startClipboardMonitor() {
    m_clipboardMonitor = new ClipboardMonitor(
        *m_platform.pasteboard, *m_historyStore, *m_sourceAppResolver, NotificationCenter::shared(),
        [this] { m_soundManager->playCopySound(); }, this);
    // The Paste Stack feed; the monitor is ours, so `this` outlives the call.
    m_clipboardMonitor->onCapture = [this](const ClipboardItemPtr& item) {
        if (m_pasteStackCoordinator)
            m_pasteStackCoordinator->itemCaptured(item);
    };
    // Resuming takes the clipboard as it is then: nothing copied during a
    // pause is recorded, not even the last copy.
    QPointer<ClipboardMonitor> monitor = m_clipboardMonitor;
    m_appState->onMonitoringPausedChange = [this, monitor](bool paused) {
        if (monitor)
            monitor->setPaused(paused);
        if (m_clipboardKeeper)
            m_clipboardKeeper->refresh();
    };
    // Content already on the clipboard at launch is not captured.
    m_clipboardMonitor->start();
    m_clipboardKeeper = std::make_unique<ClipboardKeeper>(
        *m_platform.pasteboard, *m_clipboardMonitor, *m_historyStore, *m_preferences);
}

void AppServices::openSettings() {
    if (m_chrome)
        m_chrome->openSettings();
}

void AppServices::setUpPanel() {
    m_panelList = new PanelListModel(*m_historyStore, *m_appState, this);
    m_panelCommands =
        new PanelCommandHandler(*m_appState, *m_historyStore, *m_panelList, m_pasteService, this);
    SearchRecognition::Recognize recognize;
    if (OCRService* ocr = m_ocrService.get())
        recognize = [ocr](const QByteArray& bytes) { return ocr->recognizeText(bytes); };
    new SearchRecognition(*m_historyStore, *m_appState, std::move(recognize), this);
    if (!m_platform.makePanel)
        return;
    Pasteboard* pasteboard = m_platform.pasteboard.get();
    PanelSetup setup{*m_appState,
                     *m_historyStore,
                     *m_panelList,
                     *m_panelCommands,
                     m_pasteService,
                     *m_preferences,
                     [pasteboard] { return pasteboard->string(PasteboardType::string); },
                     [this] { pickColor(true); }};
    m_panel = std::make_unique<PanelCoordinator>(
        *m_appState, m_platform.makePanel(setup, m_platform.windowHints.get()),
        m_platform.keystrokeSender.get());
}

void AppServices::pasteNextFromStack(PasteStackCoordinator::PasteNextDone done) {
    if (!m_pasteStackCoordinator) {
        done({PasteStackCoordinator::PasteNextResult::noRun});
        return;
    }
    m_pasteStackCoordinator->pasteNext(std::move(done));
}

StatusItemController* AppServices::statusItem() const {
    return m_chrome ? m_chrome->statusItem() : nullptr;
}

SettingsWindow* AppServices::settingsWindow() const {
    return m_chrome ? m_chrome->settingsWindow() : nullptr;
}

PanelWindowPort* AppServices::panel() const {
    return m_panel ? &m_panel->window() : nullptr;
}

PasteStackWindowPort* AppServices::pasteStackWindow() const {
    return m_pasteStackCoordinator ? m_pasteStackCoordinator->window() : nullptr;
}

bool AppServices::pickColor(bool reopenPanel, std::function<void(ClipboardItemPtr)> done) {
    return m_panelColorPicker->pickColor(reopenPanel, std::move(done));
}

} // namespace quillbox
