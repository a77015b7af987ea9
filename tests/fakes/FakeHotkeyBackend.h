#pragma once

#include "ports/HotkeyBackend.h"

#include <QList>
#include <cstdint>

namespace quillbox::testing {

// Records the combinations registered; fails every registration with a given
// status when told to; simulates presses.
class FakeHotkeyBackend : public HotkeyBackend {
public:
    struct Registration {
        std::uint32_t id = 0;
        std::uint32_t keySymbol = 0;
        std::uint32_t modifiers = 0;
        bool operator==(const Registration&) const = default;
    };

    Result registerHotkey(std::uint32_t id, std::uint32_t keySymbol,
                          std::uint32_t modifiers) override {
        if (m_failureStatus != 0)
            return {m_failureStatus, m_keyCode};
        m_active.append({id, keySymbol, modifiers});
        return {0, m_keyCode};
    }
    void unregisterAll() override { m_active.clear(); }

    // Every later registration fails with this status (0: they succeed again).
    void failWithStatus(int status) { m_failureStatus = status; }
    // The key code reported back for every registration.
    void setKeyCode(std::uint32_t keyCode) { m_keyCode = keyCode; }
    void simulatePress(std::uint32_t id) { deliverPress(id); }

    const QList<Registration>& activeRegistrations() const { return m_active; }

private:
    QList<Registration> m_active;
    int m_failureStatus = 0;
    std::uint32_t m_keyCode = 0;
};

} // namespace quillbox::testing
