#pragma once

#include "core/KeyCombination.h"
#include "ports/HotkeyBackend.h"

#include <functional>
#include <memory>

namespace quillbox {

class HotkeyManager;
class Preferences;

// The two system-wide key combinations, one for the panel and one for the
// Paste Stack: read once, so the keys registered and the keys the windows
// name agree (and a mistyped combination is reported once).
class GlobalShortcuts {
public:
    GlobalShortcuts();
    ~GlobalShortcuts();

    // What each combination does, as desktops that bind shortcuts for
    // applications list them to the user.
    static const HotkeyBackend::Action& panelAction();
    static const HotkeyBackend::Action& pasteStackAction();
    static const HotkeyBackend::Action& pasteNextAction();

    // Replaces the defaults with the combinations the preferences set.
    void readFrom(const Preferences& preferences);
    const KeyCombination& panelKeys() const { return m_panelKeys; }
    const KeyCombination& pasteStackKeys() const { return m_pasteStackKeys; }

    // Registers both; a combination already taken elsewhere is logged and
    // left out, the other still works.
    void registerWith(HotkeyBackend& backend, std::function<void()> togglePanel,
                      std::function<void()> togglePasteStack);
    // Releases both; does nothing when none were registered.
    void unregisterAll();

private:
    KeyCombination m_panelKeys = KeyCombination::panelDefault();
    KeyCombination m_pasteStackKeys = KeyCombination::pasteStackDefault();
    std::unique_ptr<HotkeyManager> m_hotkeys;
};

} // namespace quillbox
