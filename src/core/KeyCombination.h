#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace quillbox {

class Preferences;

// A system-wide key combination as the user writes it in the preferences
// file: modifiers and one key joined by "+", such as "Super+Shift+V".
struct KeyCombination {
    std::uint32_t keySymbol = 0; // X key symbol; the lower-case one for letters
    std::uint32_t modifiers = 0; // HotkeyModifier bits

    // Opens and closes the panel.
    static KeyCombination panelDefault();
    // Starts and stops the Paste Stack.
    static KeyCombination pasteStackDefault();
    // Pastes the Paste Stack's next item, where no watcher sees Ctrl+V.
    static KeyCombination pasteNextDefault();

    // Modifiers Super, Ctrl (or Control), Alt and Shift in any order and case,
    // then a letter, a digit, F1 to F35 or a key name such as Space, Print or
    // Page_Up. Absent for anything else, and for a key other than F1 to F35
    // without a modifier (Shift alone does not count): taken for the whole
    // desktop, it could no longer be typed.
    static std::optional<KeyCombination> parse(const QString& text);
    // The canonical text: "Super+Ctrl+Alt+Shift+<key>", modifiers in that order.
    QString toString() const;

    // The combination stored under `key`, or `fallback` when it is unset or
    // empty, or (with a logged line) when its text is not a key combination.
    static KeyCombination fromPreferences(const Preferences& preferences, const QString& key,
                                          const KeyCombination& fallback);

    bool operator==(const KeyCombination&) const = default;
};

} // namespace quillbox
