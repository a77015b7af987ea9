#pragma once

#include "ports/GlobalKeyWatcher.h"

namespace quillbox::testing {

// Records starts and stops; a test presses the paste key itself.
class FakeGlobalKeyWatcher : public GlobalKeyWatcher {
public:
    bool start() override {
        ++m_starts;
        m_isWatching = m_canWatch;
        return m_canWatch;
    }
    void stop() override {
        if (m_isWatching)
            ++m_stops;
        m_isWatching = false;
    }
    bool isWatching() const override { return m_isWatching; }

    void setCanWatch(bool canWatch) { m_canWatch = canWatch; }
    int starts() const { return m_starts; }
    int stops() const { return m_stops; }
    // The user presses the paste key in another application.
    void pressPasteKey() {
        if (m_isWatching && onPasteKeyPressed)
            onPasteKeyPressed();
    }

private:
    int m_starts = 0;
    int m_stops = 0;
    bool m_isWatching = false;
    bool m_canWatch = true;
};

} // namespace quillbox::testing
