#include "ui/PanelContentView.h"

#include "core/AppState.h"
#include "core/PanelCommandHandler.h"
#include "core/PanelListModel.h"
#include "ui/CardDelegate.h"
#include "ui/CardStripView.h"
#include "ui/ChipsScrollArea.h"
#include "ui/EmptyStateView.h"
#include "ui/FilterChipsView.h"
#include "ui/PanelFooterView.h"
#include "ui/PanelGlyphs.h"
#include "ui/PanelIconButton.h"
#include "ui/PanelTheme.h"
#include "ui/PinboardTabsView.h"
#include "ui/SearchBarView.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QStackedWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {

constexpr int sidePadding = 20;
constexpr int stripVerticalPadding = 16;
constexpr int pausedPixelSize = 12;
constexpr int pausedGlyphSize = 12;

// A one-pixel separator line, inset from the sides.
class RuleLine : public QWidget {
public:
    RuleLine(int inset, QWidget* parent)
        : QWidget(parent)
        , m_inset(inset) {
        setFixedHeight(1);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect().adjusted(m_inset, 0, -m_inset, 0), PanelTheme::rule);
    }

private:
    int m_inset;
};

// "Paused" with its symbol, in the accent colour; not a button.
class PausedLabel : public QWidget {
public:
    explicit PausedLabel(QWidget* parent)
        : QWidget(parent) {
        setObjectName(u"pausedLabel"_s);
        setAccessibleName(u"Paused"_s);
        QFont font = this->font();
        font.setPixelSize(pausedPixelSize);
        font.setBold(true);
        setFont(font);
        const QFontMetrics metrics(font);
        setFixedSize(pausedGlyphSize + 5 + metrics.horizontalAdvance(u"Paused"_s) + 2,
                     std::max(pausedGlyphSize, metrics.height()));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        drawPanelGlyph(
            painter, PanelGlyph::pauseCircle,
            QRectF(0, (height() - pausedGlyphSize) / 2.0, pausedGlyphSize, pausedGlyphSize),
            PanelTheme::marigoldText, PanelTheme::hud);
        painter.setPen(PanelTheme::marigoldText);
        painter.drawText(rect().adjusted(pausedGlyphSize + 5, 0, 0, 0),
                         Qt::AlignLeft | Qt::AlignVCenter, u"Paused"_s);
    }
};

} // namespace

PanelContentView::PanelContentView(PanelViewContext context, QWidget* parent)
    : QWidget(parent)
    , m_context(std::move(context))
    , m_searchBar(new SearchBarView(m_context.appState, m_context.clipboardText, this))
    , m_body(new QStackedWidget(this))
    , m_strip(new CardStripView(this))
    , m_emptyState(new EmptyStateView(this))
    , m_footer(new PanelFooterView(this)) {
    setObjectName(u"panelContent"_s);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, PanelTheme::hudText);
    palette.setColor(QPalette::Text, PanelTheme::hudText);
    setPalette(palette);

    // Header: search and toolbar, then chips and tabs.
    auto* header = new QVBoxLayout;
    header->setContentsMargins(sidePadding, 18, sidePadding, 12);
    header->setSpacing(10);
    auto* searchRow = new QHBoxLayout;
    searchRow->setSpacing(10);
    searchRow->addWidget(m_searchBar, 1);
    searchRow->addWidget(makeToolbar());
    header->addLayout(searchRow);

    auto* filterRow = new QHBoxLayout;
    filterRow->setSpacing(12);
    auto* chipsArea = new ChipsScrollArea(this);
    chipsArea->setObjectName(u"chipsArea"_s);
    chipsArea->setRow(new FilterChipsView(m_context.appState, chipsArea));
    chipsArea->setStyleSheet(u"background: transparent"_s);
    filterRow->addWidget(chipsArea, 1);
    auto* tabs = new PinboardTabsView(m_context.store, m_context.appState, this);
    tabs->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    filterRow->addWidget(tabs);
    header->addLayout(filterRow);

    // Body: the cards or the empty state.
    m_strip->setModel(&m_context.list);
    connect(m_strip, &CardStripView::viewportResized, this, &PanelContentView::updateCardSize);
    auto* stripBox = new QWidget(this);
    auto* stripLayout = new QVBoxLayout(stripBox);
    // The cards' cells hold their spacing and shadows: the strip's padding
    // is what is left.
    const QMargins cell = CardDelegate::cellMargins;
    stripLayout->setContentsMargins(sidePadding - cell.left(), stripVerticalPadding - cell.top(),
                                    sidePadding - cell.right(),
                                    std::max(0, stripVerticalPadding - cell.bottom()));
    stripLayout->addWidget(m_strip);
    m_body->addWidget(stripBox);
    m_body->addWidget(m_emptyState);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 2);
    layout->setSpacing(0);
    layout->addLayout(header);
    layout->addWidget(new RuleLine(sidePadding, this));
    layout->addWidget(m_body, 1);
    layout->addWidget(new RuleLine(0, this));
    layout->addWidget(m_footer);

    AppState& state = m_context.appState;
    connect(&state, &AppState::selectedCardIDChanged, this, [this](std::optional<QUuid> id) {
        syncSelection(id.has_value() && !m_isSelectingForMenu);
    });
    connect(&state, &AppState::isMonitoringPausedChanged, m_pausedLabel, &QWidget::setVisible);
    connect(&state, &AppState::sessionNoticeChanged, m_footer, &PanelFooterView::setNotice);
    m_footer->setNotice(state.sessionNotice());
    connect(&state, &AppState::searchQueryChanged, this, &PanelContentView::updateEmptyState);
    connect(&state, &AppState::selectedCategoryChanged, this, &PanelContentView::updateEmptyState);
    connect(&state, &AppState::selectedPinboardIDChanged, this,
            &PanelContentView::updateEmptyState);
    connect(&state, &AppState::isPanelVisibleChanged, this, [this](bool visible) {
        if (visible)
            focusSearch();
    });
    m_pausedLabel->setVisible(state.isMonitoringPaused());

    // Rows come and go one at a time; the selection follows by id.
    const auto listChanged = [this] { syncSelection(false); };
    connect(&m_context.list, &QAbstractItemModel::modelReset, this, listChanged);
    connect(&m_context.list, &QAbstractItemModel::rowsInserted, this, listChanged);
    connect(&m_context.list, &QAbstractItemModel::rowsRemoved, this, listChanged);
    connect(&m_context.list, &QAbstractItemModel::rowsMoved, this, listChanged);
    connect(&m_context.list, &QAbstractItemModel::dataChanged, this,
            [this] { m_footer->update(); });

    connect(m_strip, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (const auto item = m_context.list.itemAt(index.row()))
            m_context.appState.setSelectedCardID(item->id());
    });
    connect(m_strip, &CardStripView::cardDoubleClicked, this, [this](const QModelIndex& index) {
        if (const auto item = m_context.list.itemAt(index.row()))
            m_context.commands.paste(item, false);
    });
    connect(m_strip, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        const QModelIndex index = m_strip->indexAt(position);
        const auto item = m_context.list.itemAt(index.row());
        if (!index.isValid() || !item)
            return;
        // The card whose menu is open is the selected one, for the keys and
        // the footer too. It stays where it is, under the menu.
        m_isSelectingForMenu = true;
        m_context.appState.setSelectedCardID(item->id());
        m_isSelectingForMenu = false;
        if (onCardMenu)
            onCardMenu(index.row(), m_strip->viewport()->mapToGlobal(position));
    });

    syncSelection(false);
}

PanelContentView::~PanelContentView() = default;

QWidget* PanelContentView::makeToolbar() {
    auto* toolbar = new QWidget(this);
    toolbar->setObjectName(u"toolbar"_s);
    auto* row = new QHBoxLayout(toolbar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    m_pausedLabel = new PausedLabel(toolbar);
    row->addWidget(m_pausedLabel);
    auto* picker =
        new PanelIconButton(PanelGlyph::eyedropper, u"Pick a color from the screen"_s, toolbar);
    picker->setObjectName(u"pickColorButton"_s);
    connect(picker, &QAbstractButton::clicked, this, [this] {
        if (m_context.pickColor)
            m_context.pickColor();
    });
    row->addWidget(picker);
    auto* close = new PanelIconButton(PanelGlyph::xmark, u"Close (Esc)"_s, toolbar);
    close->setObjectName(u"closeButton"_s);
    connect(close, &QAbstractButton::clicked, this, [this] {
        if (m_context.appState.isPanelVisible())
            m_context.appState.setPanelVisible(false);
    });
    row->addWidget(close);
    return toolbar;
}

void PanelContentView::setCardDelegate(CardDelegate* delegate) {
    m_cardDelegate = delegate;
    m_strip->setItemDelegate(delegate);
    updateCardSize();
}

void PanelContentView::focusSearch() {
    m_searchBar->field()->setFocus(Qt::OtherFocusReason);
}

void PanelContentView::syncSelection(bool scrollToSelection) {
    const int count = m_context.list.rowCount();
    updateEmptyState();
    if (count == 0) {
        m_footer->setItem(nullptr);
        return;
    }
    int row = -1;
    if (const auto id = m_context.appState.selectedCardID())
        row = m_context.list.rowOf(*id);
    // The selected card filtered out or deleted: the first card stands in,
    // and the stale id stays for when its card comes back.
    if (row < 0)
        row = 0;
    const QModelIndex index = m_context.list.index(row, 0);
    m_strip->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_footer->setItem(m_context.list.itemAt(row));
    if (scrollToSelection)
        m_strip->centreOnRow(row, true);
}

void PanelContentView::updateEmptyState() {
    const AppState& state = m_context.appState;
    const bool isEmpty = m_context.list.rowCount() == 0;
    m_emptyState->setFiltering(!state.searchQuery().isEmpty() || state.selectedCategory() ||
                               state.selectedPinboardID());
    m_body->setCurrentWidget(isEmpty ? static_cast<QWidget*>(m_emptyState) : m_body->widget(0));
}

void PanelContentView::updateCardSize() {
    // Every card is as tall as the strip; the width is fixed.
    if (!m_cardDelegate)
        return;
    const int height = CardDelegate::cardHeightForCell(m_strip->viewport()->height());
    if (height == m_cardDelegate->cardHeight())
        return;
    m_cardDelegate->setCardHeight(std::max(1, height));
    m_strip->doItemsLayout();
}

} // namespace quillbox
