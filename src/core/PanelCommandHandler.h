#pragma once

#include "core/PanelCommand.h"
#include "history/ClipboardItem.h"

#include <QObject>

namespace quillbox {

class AppState;
class HistoryStore;
class PanelListModel;
class PasteService;

// Carries out the commands sent through the panel state on the panel's
// visible list: moving the selection, pasting or deleting the selected card,
// hiding the panel, pausing recording. Main thread.
class PanelCommandHandler : public QObject {
    Q_OBJECT
public:
    // Without a paste service, pasting only hides the panel.
    PanelCommandHandler(AppState& appState, HistoryStore& store, const PanelListModel& list,
                        PasteService* pasteService, QObject* parent = nullptr);

    void handle(PanelCommand command);
    // Hides the panel, then pastes: the keystroke must reach the application
    // that was in front before the panel opened.
    void paste(const ClipboardItemPtr& item, bool asPlainText);

private:
    // By `step` cards, stopping at the ends.
    void moveSelection(int step);
    void deleteSelected();

    AppState& m_appState;
    HistoryStore& m_store;
    const PanelListModel& m_list;
    PasteService* m_pasteService;
};

} // namespace quillbox
