#include "ui/settings/RulesSettingsPage.h"

#include "history/HistoryStore.h"
#include "ui/settings/ApplicationPickerDialog.h"
#include "ui/settings/SettingsStyle.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {
constexpr int ruleIconSize = 20;
constexpr int minimumListHeight = 150;
constexpr int pageSpacing = 12;
} // namespace

RulesSettingsPage::RulesSettingsPage(HistoryStore& store, InstalledApplications& applications,
                                     QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_applications(applications) {
    setObjectName(u"rulesSettingsPage"_s);
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(pageSpacing);
    layout->addWidget(SettingsStyle::headline(u"Excluded Applications"_s, u"rulesTitle"_s, this));
    layout->addWidget(SettingsStyle::caption(
        u"Content copied from these apps will not be saved to your clipboard history."_s,
        u"rulesNote"_s, this));

    m_list = new QListWidget(this);
    m_list->setObjectName(u"ruleList"_s);
    m_list->setMinimumHeight(minimumListHeight);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->installEventFilter(this);
    layout->addWidget(m_list, 1);

    auto* row = new QHBoxLayout;
    auto* add = new QPushButton(u"Add Application..."_s, this);
    add->setObjectName(u"addApplicationButton"_s);
    connect(add, &QPushButton::clicked, this, &RulesSettingsPage::chooseApplication);
    m_delete = new QPushButton(u"Delete"_s, this);
    m_delete->setObjectName(u"deleteRuleButton"_s);
    m_delete->setEnabled(false);
    connect(m_list, &QListWidget::itemSelectionChanged, this,
            [this] { m_delete->setEnabled(!m_list->selectedItems().isEmpty()); });
    connect(m_delete, &QPushButton::clicked, this, &RulesSettingsPage::deleteSelected);
    row->addWidget(add);
    row->addWidget(m_delete);
    row->addStretch(1);
    layout->addLayout(row);

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

void RulesSettingsPage::deleteSelected() {
    QList<AppRulePtr> doomed;
    for (const auto* item : m_list->selectedItems())
        if (const int row = m_list->row(item); row >= 0 && row < m_shown.size())
            doomed.append(m_shown.at(row));
    for (const auto& rule : doomed)
        m_store.deleteAppRule(rule);
}

bool RulesSettingsPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        deleteSelected();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void RulesSettingsPage::scheduleSync() {
    // A row's own switch may be emitting the change: replace rows afterwards.
    if (m_isSyncScheduled)
        return;
    m_isSyncScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_isSyncScheduled = false;
        sync();
    });
}

void RulesSettingsPage::sync() {
    const auto rules = m_store.appRules();
    if (rules == m_shown) {
        for (int row = 0; row < rules.size(); ++row) {
            auto* toggle = m_list->itemWidget(m_list->item(row))->findChild<QCheckBox*>();
            const QSignalBlocker blocker(toggle);
            toggle->setChecked(rules.at(row)->isExcluded());
        }
        return;
    }
    m_list->clear();
    m_shown = rules;
    for (int row = 0; row < rules.size(); ++row) {
        auto* item = new QListWidgetItem(m_list);
        QWidget* widget = makeRow(rules.at(row), row);
        item->setSizeHint(widget->sizeHint());
        m_list->setItemWidget(item, widget);
    }
}

QWidget* RulesSettingsPage::makeRow(const AppRulePtr& rule, int position) {
    auto* widget = new QWidget;
    widget->setObjectName(u"ruleRow%1"_s.arg(position));
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(4, 2, 4, 2);
    auto* icon = new QLabel(widget);
    icon->setObjectName(u"ruleIcon"_s);
    const QIcon appIcon = m_applications.icon(rule->bundleIdentifier())
                              .value_or(style()->standardIcon(QStyle::SP_FileIcon));
    icon->setPixmap(appIcon.pixmap(ruleIconSize, ruleIconSize));
    auto* name = new QLabel(rule->appName(), widget);
    name->setObjectName(u"ruleName"_s);
    name->setToolTip(rule->bundleIdentifier());
    auto* toggle = new QCheckBox(widget);
    toggle->setObjectName(u"ruleExcludedSwitch"_s);
    toggle->setChecked(rule->isExcluded());
    toggle->setAccessibleName(rule->appName());
    connect(toggle, &QCheckBox::toggled, this,
            [this, rule](bool excluded) { m_store.setRuleExcluded(rule, excluded); });
    layout->addWidget(icon);
    layout->addWidget(name, 1);
    layout->addWidget(toggle);
    return widget;
}

} // namespace quillbox
