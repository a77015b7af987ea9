#include "core/PanelCoordinator.h"

#include "core/AppState.h"
#include "ports/KeystrokeSender.h"

namespace quillbox {

PanelCoordinator::PanelCoordinator(AppState& state, std::unique_ptr<PanelWindowPort> window,
                                   KeystrokeSender* keystrokes, QObject* parent)
    : QObject(parent)
    , m_state(state)
    , m_window(std::move(window))
    , m_keystrokes(keystrokes) {
    // The panel closes when another window takes the keyboard.
    m_window->onResignKey = [this] {
        if (m_state.isPanelVisible())
            m_state.setPanelVisible(false);
    };
    // The state announces every assignment; the window follows changes only.
    connect(&m_state, &AppState::isPanelVisibleChanged, this, &PanelCoordinator::visibilityChanged);
}

PanelCoordinator::~PanelCoordinator() {
    m_window->onResignKey = nullptr;
}

void PanelCoordinator::visibilityChanged(bool visible) {
    if (visible == m_isShown)
        return;
    m_isShown = visible;
    if (visible) {
        // Paste goes back to the window that was active before the panel.
        if (m_keystrokes)
            m_keystrokes->rememberTargetWindow();
        m_window->showPanel();
    } else {
        m_window->hidePanel();
    }
}

} // namespace quillbox
