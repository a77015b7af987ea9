#include "ui/FilterChipsView.h"

#include "core/AppState.h"
#include "ui/CapsuleButton.h"
#include "ui/PanelTheme.h"

#include <QHBoxLayout>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {
constexpr int chipSpacing = 6;
constexpr double hoverFactor = 2.0;

CapsuleButton::Style chipStyle() {
    return {PanelTheme::chip,
            PanelTheme::withAlpha(PanelTheme::chip, PanelTheme::chip.alphaF() * hoverFactor),
            PanelTheme::chipSelected,
            PanelTheme::hudSoft,
            PanelTheme::marigoldText,
            std::nullopt};
}
} // namespace

FilterChipsView::FilterChipsView(AppState& appState, QWidget* parent)
    : QWidget(parent)
    , m_appState(appState)
    , m_allChip(new CapsuleButton(u"All"_s, chipStyle(), this)) {
    setObjectName(u"filterChips"_s);
    m_allChip->setObjectName(u"chip_all"_s);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(chipSpacing);
    layout->addWidget(m_allChip);
    connect(m_allChip, &CapsuleButton::clicked, this,
            [this] { m_appState.setSelectedCategory(std::nullopt); });
    for (const ContentCategory category : allContentCategories) {
        auto* chip = new CapsuleButton(displayName(category), chipStyle(), this);
        chip->setObjectName(u"chip_"_s + rawValue(category));
        layout->addWidget(chip);
        m_chips.emplace_back(category, chip);
        connect(chip, &CapsuleButton::clicked, this, [this, category] {
            const bool isSelected = m_appState.selectedCategory() == category;
            m_appState.setSelectedCategory(isSelected ? std::nullopt
                                                      : std::optional<ContentCategory>(category));
        });
    }
    layout->addStretch(1);
    connect(&m_appState, &AppState::selectedCategoryChanged, this, &FilterChipsView::showSelection);
    showSelection();
}

void FilterChipsView::showSelection() {
    const auto selected = m_appState.selectedCategory();
    m_allChip->setSelected(!selected);
    for (const auto& [category, chip] : m_chips)
        chip->setSelected(selected == category);
}

} // namespace quillbox
