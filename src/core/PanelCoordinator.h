#pragma once

#include "core/PanelWindowPort.h"

#include <QObject>
#include <memory>

namespace quillbox {

class AppState;
class KeystrokeSender;

// Keeps the panel's window in step with the panel state: shown and hidden as
// the state changes, and closing the panel when the window loses the
// keyboard.
class PanelCoordinator : public QObject {
    Q_OBJECT
public:
    // `keystrokes` (may be null) learns, at each showing, the window a paste
    // goes back to.
    PanelCoordinator(AppState& state, std::unique_ptr<PanelWindowPort> window,
                     KeystrokeSender* keystrokes, QObject* parent = nullptr);
    ~PanelCoordinator() override;

    PanelWindowPort& window() const { return *m_window; }

private:
    void visibilityChanged(bool visible);

    AppState& m_state;
    std::unique_ptr<PanelWindowPort> m_window;
    KeystrokeSender* m_keystrokes;
    bool m_isShown = false;
};

} // namespace quillbox
