#pragma once

namespace quillbox {

// The keyboard commands that reach the panel's content.
enum class PanelCommand {
    selectPrevious,
    selectNext,
    pasteSelected,
    pasteSelectedAsPlainText,
    deleteSelected
};

} // namespace quillbox
