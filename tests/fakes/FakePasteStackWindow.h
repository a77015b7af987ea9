#pragma once

#include "core/PasteStackWindowPort.h"

namespace quillbox::testing {

// Records what the application asked of the Paste Stack's window.
class FakePasteStackWindow : public PasteStackWindowPort {
public:
    void show() override { m_isShowing = true; }
    void hide() override { m_isShowing = false; }
    bool isShowing() const override { return m_isShowing; }

private:
    bool m_isShowing = false;
};

} // namespace quillbox::testing
