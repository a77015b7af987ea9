#pragma once

#include "ports/GlobalKeyWatcher.h"

namespace quillbox::testing {

// Counts starts; a test presses the paste key itself.
class FakeGlobalKeyWatcher : public GlobalKeyWatcher {
public:
    bool start() override {
        ++m_starts;
        m_isWatching = true;
        return true;
    }
    void stop() override { m_isWatching = false; }
    bool isWatching() const override { return m_isWatching; }

    int starts() const { return m_starts; }
    // The user presses the paste key in another application.
    void pressPasteKey() {
        if (m_isWatching && onPasteKeyPressed)
            onPasteKeyPressed();
    }

private:
    int m_starts = 0;
    bool m_isWatching = false;
};

} // namespace quillbox::testing
