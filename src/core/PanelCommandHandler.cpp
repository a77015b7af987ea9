#include "core/PanelCommandHandler.h"

#include "core/AppState.h"
#include "core/PanelListModel.h"
#include "core/PasteService.h"
#include "history/HistoryStore.h"

#include <algorithm>

namespace quillbox {

PanelCommandHandler::PanelCommandHandler(AppState& appState, HistoryStore& store,
                                         const PanelListModel& list, PasteService* pasteService,
                                         QObject* parent)
    : QObject(parent)
    , m_appState(appState)
    , m_store(store)
    , m_list(list)
    , m_pasteService(pasteService) {
    connect(&m_appState, &AppState::panelCommand, this, &PanelCommandHandler::handle);
}

void PanelCommandHandler::handle(PanelCommand command) {
    switch (command) {
    case PanelCommand::selectPrevious:
        return moveSelection(-1);
    case PanelCommand::selectNext:
        return moveSelection(1);
    case PanelCommand::pasteSelected:
    case PanelCommand::pasteSelectedAsPlainText:
        if (const auto item = m_list.itemAt(m_list.selectedRow()))
            paste(item, command == PanelCommand::pasteSelectedAsPlainText);
        return;
    case PanelCommand::deleteSelected:
        return deleteSelected();
    case PanelCommand::hidePanel:
        if (m_appState.isPanelVisible())
            m_appState.setPanelVisible(false);
        return;
    case PanelCommand::togglePause:
        return m_appState.toggleMonitoringPaused();
    }
}

void PanelCommandHandler::moveSelection(int step) {
    const int count = m_list.rowCount();
    if (count == 0)
        return;
    const int target = std::clamp(m_list.selectedRow() + step, 0, count - 1);
    m_appState.setSelectedCardID(m_list.itemAt(target)->id());
}

void PanelCommandHandler::deleteSelected() {
    const int row = m_list.selectedRow();
    const ClipboardItemPtr selected = m_list.itemAt(row);
    if (!selected)
        return;
    // The neighbour (the next card, else the one before) is selected before
    // the deletion, so the list that follows already shows it selected.
    const int count = m_list.rowCount();
    if (count == 1)
        m_appState.setSelectedCardID(std::nullopt);
    else
        m_appState.setSelectedCardID(m_list.itemAt(row + 1 < count ? row + 1 : row - 1)->id());
    m_store.deleteItem(selected);
}

void PanelCommandHandler::paste(const ClipboardItemPtr& item, bool asPlainText) {
    if (m_appState.isPanelVisible())
        m_appState.setPanelVisible(false);
    if (m_pasteService)
        m_pasteService->paste(item, asPlainText);
}

} // namespace quillbox
