#pragma once

#include "core/KeyCombination.h"
#include "ports/TrayIcon.h"
#include "ui/StatusItemIcons.h"

#include <QElapsedTimer>
#include <QObject>
#include <chrono>
#include <functional>
#include <memory>

namespace quillbox {

class AppState;
class PasteStackManager;

// The system-wide key combinations the tray menu names beside its entries:
// the ones registered, which the preferences may have changed.
struct StatusItemKeys {
    QString openPanel = KeyCombination::panelDefault().toString();
    QString pasteStack = KeyCombination::pasteStackDefault().toString();
};

// Quillbox's item in the desktop's tray: its icon shows whether recording is
// paused, a left click shows or hides the history panel, and its menu holds
// the main commands. The item is asked to show even where no tray runs yet:
// panels often start after the programs of a session, and the item joins the
// tray when it arrives (and again when it restarts). Until then the panel is
// reached by its hot key and the command line.
class StatusItemController : public QObject {
    Q_OBJECT
public:
    // A click this soon after the panel hid does not reopen it: that click is
    // what took the focus from the panel and hid it.
    static constexpr std::chrono::milliseconds reopenGuard{350};

    // What the menu asks of the rest of the application.
    struct Actions {
        std::function<void()> pickColor;
        std::function<void()> openSettings;
        std::function<void()> quit;
    };

    StatusItemController(AppState& appState, PasteStackManager& pasteStack,
                         std::unique_ptr<TrayIcon> trayIcon, Actions actions,
                         StatusItemKeys keys = {}, QObject* parent = nullptr);
    ~StatusItemController() override;

    TrayIcon& trayIcon() { return *m_trayIcon; }

    // The menu's entries for the current state, as the tray shows them.
    QList<TrayMenuEntry> makeMenu();
    // "Quillbox", or "Quillbox (paused)": the item's tooltip and accessible name.
    QString accessibleName() const;
    bool isShowingPausedIcon() const { return m_isShowingPausedIcon; }

    void handleActivation(TrayIcon::Activation activation);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateIcon(bool paused);
    void togglePause();
    void togglePasteStack();

    AppState& m_appState;
    PasteStackManager& m_pasteStack;
    std::unique_ptr<TrayIcon> m_trayIcon;
    Actions m_actions;
    StatusItemKeys m_keys;
    // Invalid until the panel first hides: "long ago".
    QElapsedTimer m_sincePanelHide;
    bool m_wasPanelVisible = false;
    bool m_isShowingPausedIcon = false;
    StatusItemIcons::PanelTone m_tone = StatusItemIcons::PanelTone::light;
};

} // namespace quillbox
