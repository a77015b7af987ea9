#include "core/HotkeyManager.h"

#include "content/Logging.h"
#include "ports/HotkeyBackend.h"

namespace quillbox {

HotkeyManager::HotkeyManager(HotkeyBackend& backend)
    : m_backend(backend) {
    m_backend.setPressHandler([this](std::uint32_t id) { dispatch(id); });
}

HotkeyManager::~HotkeyManager() {
    // The backend may outlive us; presses must not reach a dead manager.
    m_backend.setPressHandler({});
}

bool HotkeyManager::registerHotkey(std::uint32_t key, std::uint32_t modifiers, Handler handler,
                                   const HotkeyBackend::Action& action) {
    // Taken before the attempt: a failed registration consumes its id too.
    const std::uint32_t id = m_nextID++;
    const HotkeyBackend::Result result = m_backend.registerAction(id, key, modifiers, action);
    if (result.status != 0) {
        qCWarning(lcCore).noquote()
            << QStringLiteral("Quillbox: could not register hotkey %1 (status %2); another app "
                              "may be using it.")
                   .arg(result.keyCode)
                   .arg(result.status);
        return false;
    }
    m_registeredIDs.append(id);
    m_handlers.insert(id, std::move(handler));
    return true;
}

void HotkeyManager::unregisterAll() {
    m_backend.unregisterAll();
    m_registeredIDs.clear();
    m_handlers.clear();
}

void HotkeyManager::dispatch(std::uint32_t id) {
    // A copy: the handler may unregister everything, which would destroy it mid-call.
    const Handler handler = m_handlers.value(id);
    if (handler)
        handler();
}

} // namespace quillbox
