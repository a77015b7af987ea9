#pragma once

#include "core/KeyCombination.h"
#include "ports/HotkeyBackend.h"

#include <functional>
#include <memory>
#include <optional>

namespace quillbox {

class HotkeyManager;
class Preferences;

// The system-wide key combinations: the panel, the Paste Stack and, where no
// watcher sees the paste key in other applications, pasting the stack's next
// item. Read once, so the keys registered and the keys the windows name agree
// (and a mistyped combination is reported once).
class GlobalShortcuts {
public:
    GlobalShortcuts();
    ~GlobalShortcuts();

    // What each combination does, as desktops that bind shortcuts for
    // applications list them to the user.
    static const HotkeyBackend::Action& panelAction();
    static const HotkeyBackend::Action& pasteStackAction();
    static const HotkeyBackend::Action& pasteNextAction();

    // Replaces the defaults with the combinations the preferences set. Where
    // the paste key is watched, Ctrl+V moves the stack on and pasting the
    // next item has a combination only when the preferences give one.
    void readFrom(const Preferences& preferences, bool pasteKeyIsWatched);
    const KeyCombination& panelKeys() const { return m_panelKeys; }
    const KeyCombination& pasteStackKeys() const { return m_pasteStackKeys; }
    const std::optional<KeyCombination>& pasteNextKeys() const { return m_pasteNextKeys; }

    // Registers each; a combination already taken elsewhere is logged and
    // left out, the others still work.
    void registerWith(HotkeyBackend& backend, std::function<void()> togglePanel,
                      std::function<void()> togglePasteStack, std::function<void()> pasteNext);
    // Whether the desktop took the paste-next combination.
    bool isPasteNextRegistered() const { return m_isPasteNextRegistered; }
    // Releases them all; does nothing when none were registered.
    void unregisterAll();

private:
    KeyCombination m_panelKeys = KeyCombination::panelDefault();
    KeyCombination m_pasteStackKeys = KeyCombination::pasteStackDefault();
    std::optional<KeyCombination> m_pasteNextKeys;
    bool m_isPasteNextRegistered = false;
    std::unique_ptr<HotkeyManager> m_hotkeys;
};

} // namespace quillbox
