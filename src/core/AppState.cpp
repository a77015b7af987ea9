#include "core/AppState.h"

namespace quillbox {

AppState::AppState(QObject* parent)
    : QObject(parent) {
}

void AppState::setPanelVisible(bool visible) {
    m_isPanelVisible = visible;
    Q_EMIT isPanelVisibleChanged(visible);
}

void AppState::setMonitoringPaused(bool paused) {
    m_isMonitoringPaused = paused;
    Q_EMIT isMonitoringPausedChanged(paused);
}

void AppState::toggleMonitoringPaused() {
    setMonitoringPaused(!m_isMonitoringPaused);
    if (onMonitoringPausedChange)
        onMonitoringPausedChange(m_isMonitoringPaused);
}

void AppState::setSearchQuery(const QString& query) {
    m_searchQuery = query;
    Q_EMIT searchQueryChanged(query);
}

void AppState::setSelectedCategory(std::optional<ContentCategory> category) {
    m_selectedCategory = category;
    Q_EMIT selectedCategoryChanged(category);
}

void AppState::setSelectedPinboardID(std::optional<QUuid> id) {
    m_selectedPinboardID = id;
    Q_EMIT selectedPinboardIDChanged(id);
}

void AppState::setSelectedCardID(std::optional<QUuid> id) {
    m_selectedCardID = id;
    Q_EMIT selectedCardIDChanged(id);
}

void AppState::setSessionNotice(const QString& notice) {
    m_sessionNotice = notice;
    Q_EMIT sessionNoticeChanged(notice);
}

void AppState::showPanel() {
    if (m_isPanelVisible)
        return;
    // Visibility last: its observers already see the reset state.
    setSearchQuery(QString());
    setSelectedCategory(std::nullopt);
    setSelectedCardID(std::nullopt);
    setPanelVisible(true);
}

void AppState::togglePanel() {
    if (m_isPanelVisible)
        setPanelVisible(false);
    else
        showPanel();
}

void AppState::send(PanelCommand command) {
    Q_EMIT panelCommand(command);
}

} // namespace quillbox
