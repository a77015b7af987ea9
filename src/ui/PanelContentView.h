#pragma once

#include "ui/PanelSearchField.h"

#include <QWidget>
#include <functional>

class QLabel;
class QStackedWidget;

namespace quillbox {

class AppState;
class CardDelegate;
class CardStripView;
class EmptyStateView;
class HistoryStore;
class PanelCommandHandler;
class PanelFooterView;
class PanelListModel;
class PasteService;
class SearchBarView;

// What the panel's content works with.
struct PanelViewContext {
    AppState& appState;
    HistoryStore& store;
    PanelListModel& list;
    PanelCommandHandler& commands;
    PasteService* pasteService = nullptr;
    // The clipboard's text for pasting into the search field.
    PanelSearchField::ClipboardText clipboardText;
    // The toolbar's colour picker.
    std::function<void()> pickColor;
};

// Everything inside the history panel: search bar and toolbar, filter chips
// and pinboard tabs, the strip of cards (or the empty state) and the footer
// describing the selected card. It shows the panel state and sends the
// user's choices back to it.
class PanelContentView : public QWidget {
    Q_OBJECT
public:
    explicit PanelContentView(PanelViewContext context, QWidget* parent = nullptr);
    ~PanelContentView() override;

    SearchBarView* searchBar() const { return m_searchBar; }
    CardStripView* strip() const { return m_strip; }
    PanelListModel* listModel() const { return &m_context.list; }
    PanelFooterView* footer() const { return m_footer; }
    EmptyStateView* emptyState() const { return m_emptyState; }

    // Paints the cards; the strip's height is given to it.
    void setCardDelegate(CardDelegate* delegate);

    // Opens the selected card's menu (or `row`'s) at a point on the screen.
    std::function<void(int row, const QPoint& globalPosition)> onCardMenu;

    // Gives the keyboard to the search field.
    void focusSearch();

private:
    QWidget* makeToolbar();
    void syncSelection(bool scrollToSelection);
    void updateEmptyState();
    void updateCardSize();

    PanelViewContext m_context;
    SearchBarView* m_searchBar;
    QWidget* m_pausedLabel = nullptr;
    QStackedWidget* m_body;
    CardStripView* m_strip;
    EmptyStateView* m_emptyState;
    PanelFooterView* m_footer;
    CardDelegate* m_cardDelegate = nullptr;
    bool m_isSelectingForMenu = false;
};

} // namespace quillbox
