#include "core/PanelKeys.h"

namespace quillbox {

std::optional<PanelCommand> panelCommandForKey(int key, Qt::KeyboardModifiers modifiers) {
    constexpr Qt::KeyboardModifiers counted =
        Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    const Qt::KeyboardModifiers held = modifiers & counted;
    switch (key) {
    case Qt::Key_Left:
        if (held == Qt::NoModifier)
            return PanelCommand::selectPrevious;
        return std::nullopt;
    case Qt::Key_Right:
        if (held == Qt::NoModifier)
            return PanelCommand::selectNext;
        return std::nullopt;
    case Qt::Key_Return:
    case Qt::Key_Enter: // keypad Enter
        return held.testFlag(Qt::ShiftModifier) ? PanelCommand::pasteSelectedAsPlainText
                                                : PanelCommand::pasteSelected;
    case Qt::Key_Backspace:
        if (held == Qt::ControlModifier)
            return PanelCommand::deleteSelected;
        return std::nullopt;
    case Qt::Key_Escape:
        return PanelCommand::hidePanel;
    case Qt::Key_T:
        if (held == Qt::ControlModifier)
            return PanelCommand::togglePause;
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

} // namespace quillbox
