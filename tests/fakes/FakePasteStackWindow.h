#pragma once

#include "core/PasteStackWindowPort.h"

namespace quillbox::testing {

// Records what the application asked of the Paste Stack's window.
class FakePasteStackWindow : public PasteStackWindowPort {
public:
    void show() override {
        ++m_shows;
        m_isShowing = true;
    }
    void hide() override { m_isShowing = false; }
    bool isShowing() const override { return m_isShowing; }

    int shows() const { return m_shows; }

private:
    bool m_isShowing = false;
    int m_shows = 0;
};

} // namespace quillbox::testing
