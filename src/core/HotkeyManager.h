#pragma once

#include "ports/HotkeyBackend.h"

#include <QHash>
#include <QList>
#include <cstdint>
#include <functional>

namespace quillbox {

// Registers system-wide key combinations with the desktop and runs each one's
// handler on the main thread when it is pressed. Ids start at 1 and are never
// reused, not even after a failed registration or unregisterAll().
class HotkeyManager {
public:
    using Handler = std::function<void()>;

    explicit HotkeyManager(HotkeyBackend& backend);
    ~HotkeyManager();
    HotkeyManager(const HotkeyManager&) = delete;
    HotkeyManager& operator=(const HotkeyManager&) = delete;

    // key: the key's X key symbol; modifiers: HotkeyModifier bits; action:
    // what it does, for desktops that show it to the user. True when the
    // combination is active. On failure it logs the key code and the
    // desktop's status and keeps nothing.
    bool registerHotkey(std::uint32_t key, std::uint32_t modifiers, Handler handler,
                        const HotkeyBackend::Action& action = {});
    // Releases every combination; ids handed out later are still fresh.
    void unregisterAll();

    // The ids of the active combinations, in registration order.
    const QList<std::uint32_t>& registeredIDs() const { return m_registeredIDs; }
    std::uint32_t nextID() const { return m_nextID; }

private:
    void dispatch(std::uint32_t id);

    HotkeyBackend& m_backend;
    QList<std::uint32_t> m_registeredIDs;
    QHash<std::uint32_t, Handler> m_handlers;
    std::uint32_t m_nextID = 1;
};

} // namespace quillbox
