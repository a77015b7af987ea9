#include "ui/settings/RulesSettingsPage.h"

#include "history/HistoryStore.h"
#include "ui/CardSymbols.h"
#include "ui/settings/ApplicationPickerDialog.h"
#include "ui/settings/SettingsStyle.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {
constexpr int ruleIconSize = 20;
} // namespace

RulesSettingsPage::RulesSettingsPage(HistoryStore& store, InstalledApplications& applications,
                                     QWidget* parent)
    : RecordListPage(
          {u"Excluded Applications"_s, u"rulesTitle"_s,
           u"Content copied from these apps will not be saved to your clipboard history."_s,
           u"rulesNote"_s, u"ruleList"_s, u"ruleRow"_s, u"deleteRuleButton"_s},
          parent)
    , m_store(store)
    , m_applications(applications) {
    setObjectName(u"rulesSettingsPage"_s);
    auto* add = new QPushButton(u"Add Application..."_s, this);
    add->setObjectName(u"addApplicationButton"_s);
    connect(add, &QPushButton::clicked, this, &RulesSettingsPage::chooseApplication);
    controls()->insertWidget(0, add);
    controls()->addStretch(1);

    connect(&m_store, &HistoryStore::appRulesChanged, this, &RulesSettingsPage::scheduleSync);
    sync();
}

bool RulesSettingsPage::addApplication(const InstalledApplication& application) {
    if (application.identifier.isEmpty())
        return false;
    const auto rules = m_store.appRules();
    // Identifiers are compared exactly: letter case included.
    if (std::any_of(rules.begin(), rules.end(), [&](const AppRulePtr& rule) {
            return rule->bundleIdentifier() == application.identifier;
        }))
        return false;
    m_store.addAppRule(application.identifier, application.name);
    return true;
}

void RulesSettingsPage::chooseApplication() {
    auto* dialog = new ApplicationPickerDialog(m_applications, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &ApplicationPickerDialog::applicationChosen, this,
            [this](const InstalledApplication& application) { addApplication(application); });
    dialog->open();
}

void RulesSettingsPage::deleteRows(const QList<int>& rows) {
    QList<AppRulePtr> doomed;
    for (const int row : rows)
        if (row >= 0 && row < m_shown.size())
            doomed.append(m_shown.at(row));
    for (const auto& rule : doomed)
        m_store.deleteAppRule(rule);
}

void RulesSettingsPage::sync() {
    syncRows(
        m_store.appRules(), m_shown, [this](const AppRulePtr& rule) { return makeRow(rule); },
        &RulesSettingsPage::updateRow);
}

QWidget* RulesSettingsPage::makeRow(const AppRulePtr& rule) {
    auto* widget = new QWidget;
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(4, 2, 4, 2);
    auto* icon = new QLabel(widget);
    icon->setObjectName(u"ruleIcon"_s);
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap(QSize(ruleIconSize, ruleIconSize) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    CardSymbols::drawAppIcon(painter, m_applications.icon(rule->bundleIdentifier()),
                             QRectF(0, 0, ruleIconSize, ruleIconSize),
                             SettingsStyle::secondaryText());
    painter.end();
    icon->setPixmap(pixmap);
    auto* name = new QLabel(rule->appName(), widget);
    name->setObjectName(u"ruleName"_s);
    name->setToolTip(rule->bundleIdentifier());
    auto* toggle = new QCheckBox(widget);
    toggle->setObjectName(u"ruleExcludedSwitch"_s);
    toggle->setAccessibleName(rule->appName());
    updateRow(widget, rule);
    connect(toggle, &QCheckBox::toggled, this,
            [this, rule](bool excluded) { m_store.setRuleExcluded(rule, excluded); });
    layout->addWidget(icon);
    layout->addWidget(name, 1);
    layout->addWidget(toggle);
    return widget;
}

void RulesSettingsPage::updateRow(QWidget* row, const AppRulePtr& rule) {
    auto* toggle = row->findChild<QCheckBox*>();
    const QSignalBlocker blocker(toggle);
    toggle->setChecked(rule->isExcluded());
}

} // namespace quillbox
