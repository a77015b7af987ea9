#include "app/AppChrome.h"

#include "app/AppServices.h"
#include "capture/FileSystemWatcher.h"
#include "content/Logging.h"
#include "core/AppState.h"
#include "ui/StatusItemController.h"
#include "ui/settings/SettingsWindow.h"

#include <QCoreApplication>
#include <QTimer>

namespace quillbox {

AppChrome::AppChrome(AppServices& services, const AppPlatform& platform, Keys keys)
    : m_services(services)
    , m_platform(platform)
    , m_keys(std::move(keys)) {
}

AppChrome::~AppChrome() = default;

void AppChrome::setUpStatusItem() {
    if (!m_platform.makeTrayIcon)
        return;
    StatusItemController::Actions actions;
    actions.pickColor = [this] { m_services.pickColor(false); };
    actions.openSettings = [this] { openSettings(); };
    // As `quillbox quit`: the event loop ends, and the services' stop() and
    // the last save run on the way out.
    actions.quit = [] {
        QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
    };
    m_statusItem = new StatusItemController(m_services.appState(), m_services.pasteStack(),
                                            m_platform.makeTrayIcon(), std::move(actions),
                                            {m_keys.panel, m_keys.pasteStack}, &m_services);
}

void AppChrome::openSettings() {
    if (!m_settingsWindow) {
        // The platform chooses these; a platform without them has no settings window.
        if (!m_platform.loginItem || !m_platform.installedApplications) {
            qCWarning(lcApp) << "Quillbox: settings are not available on this platform";
            return;
        }
        SettingsContext context{m_services.preferences(),
                                m_services.historyStore(),
                                m_services.accessibilityManager(),
                                *m_platform.loginItem,
                                *m_platform.installedApplications,
                                m_services.modelContainer()->path(),
                                [] { return FileSystemWatcher::screenshotDirectory(); },
                                m_keys.panel,
                                m_keys.pasteStack};
        m_settingsWindow = std::make_unique<SettingsWindow>(std::move(context));
    }
    AppState& state = m_services.appState();
    if (state.isPanelVisible())
        state.setPanelVisible(false);
    m_settingsWindow->present();
}

} // namespace quillbox
