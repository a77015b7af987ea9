#pragma once

#include "core/PanelWindowPort.h"

namespace quillbox::testing {

// Records what the application asked of the panel's window; a test takes the
// keyboard from it with loseKeyboard().
class FakePanelWindow : public PanelWindowPort {
public:
    void showPanel() override {
        ++m_shows;
        m_isShowing = true;
    }
    void hidePanel() override {
        ++m_hides;
        m_isShowing = false;
    }
    bool isShowing() const override { return m_isShowing; }

    int shows() const { return m_shows; }
    int hides() const { return m_hides; }
    void loseKeyboard() {
        if (onResignKey)
            onResignKey();
    }

private:
    bool m_isShowing = false;
    int m_shows = 0;
    int m_hides = 0;
};

} // namespace quillbox::testing
