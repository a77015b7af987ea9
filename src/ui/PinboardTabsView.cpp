#include "ui/PinboardTabsView.h"

#include "content/ColorHex.h"
#include "core/AppState.h"
#include "history/HistoryStore.h"
#include "ui/CapsuleButton.h"
#include "ui/PanelTheme.h"

#include <QHBoxLayout>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {
constexpr int tabSpacing = 6;
constexpr double selectedFillOpacity = 0.22;

CapsuleButton::Style tabStyle(const QColor& color) {
    return {
        PanelTheme::chip,    PanelTheme::chip,    PanelTheme::withAlpha(color, selectedFillOpacity),
        PanelTheme::hudSoft, PanelTheme::hudText, color};
}
} // namespace

PinboardTabsView::PinboardTabsView(HistoryStore& store, AppState& appState, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_appState(appState) {
    setObjectName(u"pinboardTabs"_s);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(tabSpacing);
    connect(&m_store, &HistoryStore::pinboardsChanged, this, &PinboardTabsView::rebuild);
    connect(&m_appState, &AppState::selectedPinboardIDChanged, this,
            &PinboardTabsView::showSelection);
    rebuild();
}

void PinboardTabsView::rebuild() {
    // Pinboards are few: the row is made anew on every change.
    delete m_allTab;
    m_allTab = nullptr;
    for (const auto& tab : m_tabs)
        delete tab.second;
    m_tabs.clear();
    const QList<PinboardPtr> pinboards = m_store.pinboards();
    setVisible(!pinboards.isEmpty());
    if (pinboards.isEmpty())
        return;
    auto* row = static_cast<QHBoxLayout*>(layout());
    m_allTab = new CapsuleButton(u"All History"_s, tabStyle(PanelTheme::marigold), this);
    m_allTab->setObjectName(u"tab_all"_s);
    row->addWidget(m_allTab);
    connect(m_allTab, &CapsuleButton::clicked, this,
            [this] { m_appState.setSelectedPinboardID(std::nullopt); });
    for (const PinboardPtr& pinboard : pinboards) {
        auto* tab =
            new CapsuleButton(pinboard->name(), tabStyle(colorFromHex(pinboard->colorHex())), this);
        tab->setObjectName(u"tab_"_s + pinboard->id().toString(QUuid::WithoutBraces));
        row->addWidget(tab);
        const QUuid id = pinboard->id();
        m_tabs.emplace_back(id, tab);
        connect(tab, &CapsuleButton::clicked, this, [this, id] {
            const bool isSelected = m_appState.selectedPinboardID() == id;
            m_appState.setSelectedPinboardID(isSelected ? std::nullopt : std::optional<QUuid>(id));
        });
    }
    showSelection();
}

void PinboardTabsView::showSelection() {
    if (!m_allTab)
        return;
    const auto selected = m_appState.selectedPinboardID();
    // A tab whose pinboard is gone filters nothing: "All History" shows selected.
    const bool isKnown = selected && std::any_of(m_tabs.cbegin(), m_tabs.cend(),
                                                 [&](auto& tab) { return tab.first == *selected; });
    m_allTab->setSelected(!isKnown);
    for (const auto& [id, tab] : m_tabs)
        tab->setSelected(selected == id);
}

} // namespace quillbox
