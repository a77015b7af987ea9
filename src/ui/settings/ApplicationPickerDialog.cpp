#include "ui/settings/ApplicationPickerDialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {
constexpr int listIconSize = 24;
constexpr QSize dialogSize{420, 480};
} // namespace

ApplicationPickerDialog::ApplicationPickerDialog(InstalledApplications& applications,
                                                 QWidget* parent)
    : QDialog(parent)
    , m_applications(applications)
    , m_all(applications.applications()) {
    setObjectName(u"applicationPicker"_s);
    setWindowTitle(u"Add Application"_s);
    resize(dialogSize);
    auto* layout = new QVBoxLayout(this);
    m_search = new QLineEdit(this);
    m_search->setObjectName(u"applicationSearch"_s);
    m_search->setPlaceholderText(u"Search applications"_s);
    m_search->setClearButtonEnabled(true);
    layout->addWidget(m_search);
    m_list = new QListWidget(this);
    m_list->setObjectName(u"applicationList"_s);
    m_list->setIconSize({listIconSize, listIconSize});
    const QIcon fallback = style()->standardIcon(QStyle::SP_FileIcon);
    for (const auto& application : m_all) {
        auto* item = new QListWidgetItem(application.icon.isNull() ? fallback : application.icon,
                                         application.name, m_list);
        item->setToolTip(application.identifier);
    }
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
    layout->addWidget(m_list, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    buttons->setObjectName(u"applicationPickerButtons"_s);
    auto* fromFile = buttons->addButton(u"Choose File\u2026"_s, QDialogButtonBox::ActionRole);
    fromFile->setObjectName(u"chooseFileButton"_s);
    auto* add = buttons->addButton(u"Add"_s, QDialogButtonBox::AcceptRole);
    add->setObjectName(u"addChosenApplicationButton"_s);
    layout->addWidget(buttons);

    connect(m_search, &QLineEdit::textChanged, this, &ApplicationPickerDialog::setFilter);
    connect(m_list, &QListWidget::itemActivated, this, &ApplicationPickerDialog::acceptCurrent);
    connect(buttons, &QDialogButtonBox::accepted, this, &ApplicationPickerDialog::acceptCurrent);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(fromFile, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, u"Choose an Application"_s,
                                                          u"/usr/share/applications"_s);
        if (!path.isEmpty())
            chooseFile(path);
    });
}

void ApplicationPickerDialog::setFilter(const QString& text) {
    const QString wanted = text.trimmed();
    QListWidgetItem* first = nullptr;
    for (int row = 0; row < m_list->count(); ++row) {
        const auto& application = m_all.at(row);
        const bool matches = application.name.contains(wanted, Qt::CaseInsensitive) ||
                             application.identifier.contains(wanted, Qt::CaseInsensitive);
        m_list->item(row)->setHidden(!matches);
        if (matches && !first)
            first = m_list->item(row);
    }
    m_list->setCurrentItem(first);
}

int ApplicationPickerDialog::visibleCount() const {
    int count = 0;
    for (int row = 0; row < m_list->count(); ++row)
        count += m_list->item(row)->isHidden() ? 0 : 1;
    return count;
}

void ApplicationPickerDialog::chooseFile(const QString& path) {
    if (auto application = m_applications.applicationFromFile(path)) {
        Q_EMIT applicationChosen(*application);
        accept();
    }
}

void ApplicationPickerDialog::acceptCurrent() {
    const int row = m_list->currentRow();
    if (row < 0 || m_list->item(row)->isHidden())
        return;
    Q_EMIT applicationChosen(m_all.at(row));
    accept();
}

} // namespace quillbox
