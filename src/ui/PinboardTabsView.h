#pragma once

#include <QUuid>
#include <QWidget>
#include <vector>

namespace quillbox {

class AppState;
class CapsuleButton;
class HistoryStore;

// "All History" and one tab per pinboard, in the pinboards' order, bound to
// the panel's pinboard; hidden altogether while there are no pinboards. It
// follows the store, so a pinboard made or renamed in the settings shows at
// once.
class PinboardTabsView : public QWidget {
    Q_OBJECT
public:
    PinboardTabsView(HistoryStore& store, AppState& appState, QWidget* parent = nullptr);

private:
    void rebuild();
    void showSelection();

    HistoryStore& m_store;
    AppState& m_appState;
    CapsuleButton* m_allTab = nullptr;
    std::vector<std::pair<QUuid, CapsuleButton*>> m_tabs;
};

} // namespace quillbox
