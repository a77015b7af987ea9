#include "ui/StatusItemController.h"

#include "content/AppConstants.h"
#include "content/Logging.h"
#include "core/AppState.h"
#include "core/PasteStackManager.h"

#include <QApplication>
#include <QEvent>
#include <QPalette>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {
// The keys that reach the same commands in the application's own windows.
const QString settingsKeys = u"Ctrl+,"_s;
const QString quitKeys = u"Ctrl+Q"_s;
} // namespace

StatusItemController::StatusItemController(AppState& appState, PasteStackManager& pasteStack,
                                           std::unique_ptr<TrayIcon> trayIcon, Actions actions,
                                           StatusItemKeys keys, QObject* parent)
    : QObject(parent)
    , m_appState(appState)
    , m_pasteStack(pasteStack)
    , m_trayIcon(std::move(trayIcon))
    , m_actions(std::move(actions))
    , m_keys(std::move(keys)) {
    m_wasPanelVisible = m_appState.isPanelVisible();
    m_tone = StatusItemIcons::panelToneFor(QApplication::palette().color(QPalette::Window));

    m_trayIcon->onActivated = [this](TrayIcon::Activation activation) {
        handleActivation(activation);
    };
    m_trayIcon->onMenuAboutToShow = [this] {
        // The menu replaces the panel, as a right click on the item does.
        if (m_appState.isPanelVisible())
            m_appState.setPanelVisible(false);
    };
    m_trayIcon->menuProvider = [this] { return makeMenu(); };

    updateIcon(m_appState.isMonitoringPaused());
    connect(&m_appState, &AppState::isMonitoringPausedChanged, this,
            &StatusItemController::updateIcon);
    connect(&m_appState, &AppState::isPanelVisibleChanged, this, [this](bool visible) {
        if (visible == m_wasPanelVisible)
            return;
        m_wasPanelVisible = visible;
        if (!visible)
            m_sincePanelHide.start();
    });
    qApp->installEventFilter(this);

    if (!m_trayIcon->isAvailable()) {
        qCInfo(lcUi).noquote()
            << u"Quillbox: no system tray yet; the item joins one when it starts. Until then "
               "the panel opens with %1 or `quillbox toggle`"_s.arg(m_keys.openPanel);
    }
    // Shown either way: the tray item follows the tray's arrival and restarts
    // only once it has been asked to show.
    m_trayIcon->show();
}

StatusItemController::~StatusItemController() {
    m_trayIcon->onActivated = nullptr;
    m_trayIcon->onMenuAboutToShow = nullptr;
    m_trayIcon->menuProvider = nullptr;
}

QString StatusItemController::accessibleName() const {
    return m_appState.isMonitoringPaused() ? AppConstants::applicationName + u" (paused)"_s
                                           : AppConstants::applicationName;
}

void StatusItemController::updateIcon(bool paused) {
    m_isShowingPausedIcon = paused;
    m_trayIcon->setIcon(StatusItemIcons::trayIcon(paused, m_tone));
    // Trays read the tooltip out; it is the item's only accessible text.
    m_trayIcon->setToolTip(accessibleName());
}

bool StatusItemController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) {
        const auto tone =
            StatusItemIcons::panelToneFor(QApplication::palette().color(QPalette::Window));
        if (tone != m_tone) {
            m_tone = tone;
            updateIcon(m_appState.isMonitoringPaused());
        }
    }
    return QObject::eventFilter(watched, event);
}

void StatusItemController::handleActivation(TrayIcon::Activation activation) {
    if (activation != TrayIcon::Activation::primary)
        return; // the tray opens the menu itself
    if (m_appState.isPanelVisible()) {
        m_appState.setPanelVisible(false);
        return;
    }
    if (m_sincePanelHide.isValid() && !m_sincePanelHide.hasExpired(reopenGuard.count()))
        return;
    m_appState.showPanel();
}

void StatusItemController::togglePause() {
    // Tells the clipboard monitor too; the icon follows through the signal.
    m_appState.toggleMonitoringPaused();
}

void StatusItemController::togglePasteStack() {
    if (m_pasteStack.isActive())
        m_pasteStack.deactivate();
    else
        m_pasteStack.activate();
}

QList<TrayMenuEntry> StatusItemController::makeMenu() {
    const bool paused = m_appState.isMonitoringPaused();
    const bool stackActive = m_pasteStack.isActive();
    return {
        {u"Open Quillbox"_s, m_keys.openPanel, [this] { m_appState.showPanel(); }},
        {u"Pick Color\u2026"_s,
         {},
         [this] {
             if (m_actions.pickColor)
                 m_actions.pickColor();
         }},
        {},
        {paused ? u"Resume Monitoring"_s : u"Pause Monitoring"_s, {}, [this] { togglePause(); }},
        {stackActive ? u"Stop Paste Stack"_s : u"Start Paste Stack"_s, m_keys.pasteStack,
         [this] { togglePasteStack(); }},
        {},
        {u"Settings\u2026"_s, settingsKeys,
         [this] {
             if (m_actions.openSettings)
                 m_actions.openSettings();
         }},
        {u"Quit Quillbox"_s, quitKeys,
         [this] {
             if (m_actions.quit)
                 m_actions.quit();
         }},
    };
}

} // namespace quillbox
