#pragma once

#include <Qt>
#include <optional>

namespace quillbox {

// What a key pressed in the history panel does. Keys the table does not
// take (and keys whose modifier rule fails) go on to the search field.
enum class PanelKeyAction {
    selectPrevious,
    selectNext,
    paste,
    pasteAsPlainText,
    deleteSelected,
    hidePanel,
    togglePause,
};

// The panel's key table. Ctrl stands where other desktops use Command:
// Ctrl+Backspace deletes the card, Ctrl+T pauses recording. Only Shift,
// Ctrl, Alt and Super count as modifiers; the keypad flag does not.
std::optional<PanelKeyAction> panelKeyAction(int key, Qt::KeyboardModifiers modifiers);

} // namespace quillbox
