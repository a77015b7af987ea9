#pragma once

namespace quillbox {

// What the panel's keys ask for (PanelKeys.h); sent through
// AppState::send and carried out by PanelCommandHandler.
enum class PanelCommand {
    selectPrevious,
    selectNext,
    pasteSelected,
    pasteSelectedAsPlainText,
    deleteSelected,
    hidePanel,
    togglePause,
};

} // namespace quillbox
