// The panel's key table: which keys it takes, and which go on to the
// search field. The plain keys, Ctrl+T, Ctrl+Backspace and Shift+Left are
// pressed on the real panel in its own test; Return pastes end to end.
#include "core/PanelKeys.h"

#include <gtest/gtest.h>

namespace quillbox {
namespace {

struct KeyRow {
    const char* what;
    int key;
    Qt::KeyboardModifiers modifiers;
    std::optional<PanelCommand> command;
};

TEST(PanelKeysTest, TakesTheTableKeysAndLetsEverythingElseReachTheSearchField) {
    using C = PanelCommand;
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const std::vector<KeyRow> rows{
        {"left moves back", Qt::Key_Left, none, C::selectPrevious},
        {"ctrl+right moves by word in the field", Qt::Key_Right, Qt::ControlModifier, std::nullopt},
        {"return with alt still pastes", Qt::Key_Return, Qt::AltModifier, C::pasteSelected},
        {"shift+return pastes plain text", Qt::Key_Return, Qt::ShiftModifier,
         C::pasteSelectedAsPlainText},
        {"keypad enter pastes", Qt::Key_Enter, Qt::KeypadModifier, C::pasteSelected},
        {"ctrl+shift+backspace is not ctrl alone", Qt::Key_Backspace,
         Qt::ControlModifier | Qt::ShiftModifier, std::nullopt},
        {"escape with shift hides", Qt::Key_Escape, Qt::ShiftModifier, C::hidePanel},
        {"ctrl+alt+t is not ctrl alone", Qt::Key_T, Qt::ControlModifier | Qt::AltModifier,
         std::nullopt},
        {"up and down are not the panel's", Qt::Key_Up, none, std::nullopt},
    };
    for (const KeyRow& row : rows)
        EXPECT_EQ(panelCommandForKey(row.key, row.modifiers), row.command) << row.what;
}

} // namespace
} // namespace quillbox
