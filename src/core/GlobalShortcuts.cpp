#include "core/GlobalShortcuts.h"

#include "content/AppConstants.h"
#include "content/Preferences.h"
#include "core/HotkeyManager.h"

namespace quillbox {

GlobalShortcuts::GlobalShortcuts() = default;
GlobalShortcuts::~GlobalShortcuts() = default;

const HotkeyBackend::Action& GlobalShortcuts::panelAction() {
    static const HotkeyBackend::Action action{QStringLiteral("toggle-panel"),
                                              QStringLiteral("Show or hide the clipboard history")};
    return action;
}

const HotkeyBackend::Action& GlobalShortcuts::pasteStackAction() {
    static const HotkeyBackend::Action action{QStringLiteral("paste-stack"),
                                              QStringLiteral("Start or stop the Paste Stack")};
    return action;
}

const HotkeyBackend::Action& GlobalShortcuts::pasteNextAction() {
    static const HotkeyBackend::Action action{
        QStringLiteral("paste-next"), QStringLiteral("Paste the next item of the Paste Stack")};
    return action;
}

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
    m_hotkeys->registerHotkey(m_panelKeys.keySymbol, m_panelKeys.modifiers, std::move(togglePanel),
                              panelAction());
    m_hotkeys->registerHotkey(m_pasteStackKeys.keySymbol, m_pasteStackKeys.modifiers,
                              std::move(togglePasteStack), pasteStackAction());
    m_isPasteNextRegistered =
        m_pasteNextKeys &&
        m_hotkeys->registerHotkey(m_pasteNextKeys->keySymbol, m_pasteNextKeys->modifiers,
                                  std::move(pasteNext), pasteNextAction());
}

void GlobalShortcuts::unregisterAll() {
    if (m_hotkeys)
        m_hotkeys->unregisterAll();
    m_isPasteNextRegistered = false;
}

} // namespace quillbox
