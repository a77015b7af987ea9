#pragma once

#include "history/AppRule.h"
#include "ports/InstalledApplications.h"

#include <QWidget>

class QListWidget;
class QPushButton;

namespace quillbox {

class HistoryStore;

// The applications whose copies are not recorded: each with its icon, name
// and a switch; new ones are chosen from the installed applications or from
// a file. No two rules share an identifier.
class RulesSettingsPage : public QWidget {
    Q_OBJECT
public:
    RulesSettingsPage(HistoryStore& store, InstalledApplications& applications,
                      QWidget* parent = nullptr);

    // Adds an excluding rule unless one with exactly this identifier exists;
    // true when it added one.
    bool addApplication(const InstalledApplication& application);
    void deleteSelected();
    // Opens the application chooser.
    void chooseApplication();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void scheduleSync();
    void sync();
    QWidget* makeRow(const AppRulePtr& rule, int position);

    HistoryStore& m_store;
    InstalledApplications& m_applications;
    QListWidget* m_list = nullptr;
    QPushButton* m_delete = nullptr;
    QList<AppRulePtr> m_shown;
    bool m_isSyncScheduled = false;
};

} // namespace quillbox
