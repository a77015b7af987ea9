#pragma once

#include "history/AppRule.h"
#include "ports/InstalledApplications.h"
#include "ui/settings/RecordListPage.h"

namespace quillbox {

class HistoryStore;

// The applications whose copies are not recorded: each with its icon, name
// and a switch; new ones are chosen from the installed applications or from
// a file. No two rules share an identifier.
class RulesSettingsPage : public RecordListPage {
    Q_OBJECT
public:
    RulesSettingsPage(HistoryStore& store, InstalledApplications& applications,
                      QWidget* parent = nullptr);

    // Adds an excluding rule unless one with exactly this identifier exists;
    // true when it added one.
    bool addApplication(const InstalledApplication& application);
    // Opens the application chooser.
    void chooseApplication();

protected:
    void deleteRows(const QList<int>& rows) override;
    void sync() override;

private:
    QWidget* makeRow(const AppRulePtr& rule);
    static void updateRow(QWidget* row, const AppRulePtr& rule);

    HistoryStore& m_store;
    InstalledApplications& m_applications;
    QList<AppRulePtr> m_shown;
};

} // namespace quillbox
