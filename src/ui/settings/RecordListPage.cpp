#include "ui/settings/RecordListPage.h"

#include "ui/settings/SettingsStyle.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {
constexpr int minimumListHeight = 150;
constexpr int pageSpacing = 12;
} // namespace

RecordListPage::RecordListPage(const Texts& texts, QWidget* parent)
    : QWidget(parent)
    , m_rowName(texts.rowName) {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(pageSpacing);
    layout->addWidget(SettingsStyle::headline(texts.title, texts.titleName, this));
    layout->addWidget(SettingsStyle::caption(texts.note, texts.noteName, this));

    m_list = new QListWidget(this);
    m_list->setObjectName(texts.listName);
    m_list->setMinimumHeight(minimumListHeight);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->installEventFilter(this);
    layout->addWidget(m_list, 1);

    m_controls = new QHBoxLayout;
    m_delete = new QPushButton(u"Delete"_s, this);
    m_delete->setObjectName(texts.deleteName);
    m_delete->setEnabled(false);
    connect(m_list, &QListWidget::itemSelectionChanged, this,
            [this] { m_delete->setEnabled(!m_list->selectedItems().isEmpty()); });
    connect(m_delete, &QPushButton::clicked, this, &RecordListPage::deleteSelected);
    m_controls->addWidget(m_delete);
    layout->addLayout(m_controls);
}

void RecordListPage::deleteSelected() {
    QList<int> rows;
    for (const auto* item : m_list->selectedItems())
        rows.append(m_list->row(item));
    std::sort(rows.begin(), rows.end());
    if (!rows.isEmpty())
        deleteRows(rows);
}

bool RecordListPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        deleteSelected();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void RecordListPage::scheduleSync() {
    if (m_isSyncScheduled)
        return;
    m_isSyncScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_isSyncScheduled = false;
        sync();
    });
}

void RecordListPage::insertRow(int position, QWidget* widget) {
    auto* item = new QListWidgetItem;
    item->setSizeHint(widget->sizeHint());
    m_list->insertItem(position, item);
    m_list->setItemWidget(item, widget);
}

void RecordListPage::removeRow(int position) {
    // The view deletes the row's widget later; its name passes on at once to
    // the row that takes its place.
    if (QWidget* widget = rowWidget(position))
        widget->setObjectName({});
    delete m_list->takeItem(position);
}

QWidget* RecordListPage::rowWidget(int position) const {
    return m_list->itemWidget(m_list->item(position));
}

void RecordListPage::nameRows() {
    for (int row = 0; row < m_list->count(); ++row)
        rowWidget(row)->setObjectName(m_rowName + QString::number(row));
}

} // namespace quillbox
