#include "core/GlobalShortcuts.h"

#include "content/AppConstants.h"
#include "content/Preferences.h"
#include "core/HotkeyManager.h"

namespace quillbox {

GlobalShortcuts::GlobalShortcuts() = default;
GlobalShortcuts::~GlobalShortcuts() = default;

void GlobalShortcuts::readFrom(const Preferences& preferences, bool pasteKeyIsWatched) {
    m_panelKeys = KeyCombination::fromPreferences(preferences, AppConstants::Keys::panelHotkey,
                                                  KeyCombination::panelDefault());
    m_pasteStackKeys = KeyCombination::fromPreferences(
        preferences, AppConstants::Keys::pasteStackHotkey, KeyCombination::pasteStackDefault());
    m_pasteNextKeys.reset();
    const bool isSet =
        !preferences.value(AppConstants::Keys::pasteNextHotkey).toString().trimmed().isEmpty();
    if (isSet || !pasteKeyIsWatched)
        m_pasteNextKeys = KeyCombination::fromPreferences(
            preferences, AppConstants::Keys::pasteNextHotkey, KeyCombination::pasteNextDefault());
}

void GlobalShortcuts::registerWith(HotkeyBackend& backend, std::function<void()> togglePanel,
                                   std::function<void()> togglePasteStack,
                                   std::function<void()> pasteNext) {
    m_hotkeys = std::make_unique<HotkeyManager>(backend);
    // A combination taken by another program is logged; the panel stays
    // reachable from the tray and `quillbox toggle`.
    m_hotkeys->registerHotkey(m_panelKeys.keySymbol, m_panelKeys.modifiers, std::move(togglePanel));
    m_hotkeys->registerHotkey(m_pasteStackKeys.keySymbol, m_pasteStackKeys.modifiers,
                              std::move(togglePasteStack));
    m_isPasteNextRegistered =
        m_pasteNextKeys &&
        m_hotkeys->registerHotkey(m_pasteNextKeys->keySymbol, m_pasteNextKeys->modifiers,
                                  std::move(pasteNext));
}

void GlobalShortcuts::unregisterAll() {
    if (m_hotkeys)
        m_hotkeys->unregisterAll();
    m_isPasteNextRegistered = false;
}

} // namespace quillbox
