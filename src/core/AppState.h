#pragma once

#include "content/ContentCategory.h"
#include "core/PanelCommand.h"

#include <QObject>
#include <QString>
#include <QUuid>
#include <functional>
#include <optional>

namespace quillbox {

// The one observable record of what the panel is doing: visibility, pause,
// search text, filter, pinboard tab and selected card, plus the channel over
// which keyboard commands reach the panel's content. Main thread only.
//
// Every assignment emits its change signal, also when the value is equal, as
// subscribers expect; those that care drop duplicates themselves.
class AppState : public QObject {
    Q_OBJECT
    Q_PROPERTY(
        bool isPanelVisible READ isPanelVisible WRITE setPanelVisible NOTIFY isPanelVisibleChanged)
    Q_PROPERTY(bool isMonitoringPaused READ isMonitoringPaused WRITE setMonitoringPaused NOTIFY
                   isMonitoringPausedChanged)
    Q_PROPERTY(QString searchQuery READ searchQuery WRITE setSearchQuery NOTIFY searchQueryChanged)
public:
    explicit AppState(QObject* parent = nullptr);

    bool isPanelVisible() const { return m_isPanelVisible; }
    void setPanelVisible(bool visible);

    bool isMonitoringPaused() const { return m_isMonitoringPaused; }
    void setMonitoringPaused(bool paused);
    // Flips the pause flag, then tells the installed callback the new value:
    // the path every pause control takes.
    void toggleMonitoringPaused();

    const QString& searchQuery() const { return m_searchQuery; }
    void setSearchQuery(const QString& query);

    std::optional<ContentCategory> selectedCategory() const { return m_selectedCategory; }
    void setSelectedCategory(std::optional<ContentCategory> category);

    std::optional<QUuid> selectedPinboardID() const { return m_selectedPinboardID; }
    void setSelectedPinboardID(std::optional<QUuid> id);

    std::optional<QUuid> selectedCardID() const { return m_selectedCardID; }
    void setSelectedCardID(std::optional<QUuid> id);

    // What this session keeps from Quillbox and how to give it back (the
    // desktop's extension to enable, say), for the panel to show; empty when
    // nothing is missing.
    const QString& sessionNotice() const { return m_sessionNotice; }
    void setSessionNotice(const QString& notice);

    // Resets search, filter and selection, then shows the panel; does nothing
    // when it is already visible. The pinboard tab survives.
    void showPanel();
    void togglePanel();

    // Delivers the command synchronously to every current subscriber of
    // panelCommand(); with none, it is lost.
    void send(PanelCommand command);

    std::function<void(bool)> onMonitoringPausedChange;

Q_SIGNALS:
    void isPanelVisibleChanged(bool visible);
    void isMonitoringPausedChanged(bool paused);
    void searchQueryChanged(const QString& query);
    void selectedCategoryChanged(std::optional<quillbox::ContentCategory> category);
    void selectedPinboardIDChanged(std::optional<QUuid> id);
    void selectedCardIDChanged(std::optional<QUuid> id);
    void sessionNoticeChanged(const QString& notice);
    void panelCommand(quillbox::PanelCommand command);

private:
    bool m_isPanelVisible = false;
    bool m_isMonitoringPaused = false;
    QString m_searchQuery;
    std::optional<ContentCategory> m_selectedCategory;
    std::optional<QUuid> m_selectedPinboardID;
    std::optional<QUuid> m_selectedCardID;
    QString m_sessionNotice;
};

} // namespace quillbox
