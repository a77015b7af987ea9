#pragma once

#include "core/PanelCommand.h"

#include <Qt>
#include <optional>

namespace quillbox {

// The panel's key table: the command a key pressed in the history panel
// stands for. Keys the table does not take (and keys whose modifier rule
// fails) go on to the search field. Ctrl stands where other desktops use
// Command: Ctrl+Backspace deletes the card, Ctrl+T pauses recording. Only
// Shift, Ctrl, Alt and Super count as modifiers; the keypad flag does not.
std::optional<PanelCommand> panelCommandForKey(int key, Qt::KeyboardModifiers modifiers);

} // namespace quillbox
