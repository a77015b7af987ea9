#include "ui/settings/PinboardsSettingsPage.h"

#include "content/ColorHex.h"
#include "history/HistoryStore.h"
#include "ui/settings/SettingsStyle.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {

constexpr int swatchSize = 12;
constexpr int colorButtonSwatch = 16;
constexpr int minimumListHeight = 150;
constexpr int pageSpacing = 12;

QPixmap circle(const QColor& color, int size) {
    QPixmap pixmap(size * 2, size * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QRectF(0, 0, size, size));
    return pixmap;
}

} // namespace

PinboardsSettingsPage::PinboardsSettingsPage(HistoryStore& store, QWidget* parent)
    : QWidget(parent)
    , m_store(store) {
    setObjectName(u"pinboardsSettingsPage"_s);
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(pageSpacing);
    layout->addWidget(SettingsStyle::headline(u"Pinboards"_s, u"pinboardsTitle"_s, this));
    layout->addWidget(SettingsStyle::caption(
        u"Create collections to organize your clipboard items."_s, u"pinboardsNote"_s, this));

    m_list = new QListWidget(this);
    m_list->setObjectName(u"pinboardList"_s);
    m_list->setMinimumHeight(minimumListHeight);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->installEventFilter(this);
    layout->addWidget(m_list, 1);

    auto* row = new QHBoxLayout;
    m_newName = new QLineEdit(this);
    m_newName->setObjectName(u"newPinboardName"_s);
    m_newName->setPlaceholderText(u"New pinboard name"_s);
    m_add = new QPushButton(u"Add"_s, this);
    m_add->setObjectName(u"addPinboardButton"_s);
    m_add->setEnabled(false);
    // Disabled only while the field is exactly empty; spaces alone enable it.
    connect(m_newName, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_add->setEnabled(!text.isEmpty()); });
    connect(m_add, &QPushButton::clicked, this, &PinboardsSettingsPage::addPinboard);
    m_delete = new QPushButton(u"Delete"_s, this);
    m_delete->setObjectName(u"deletePinboardButton"_s);
    m_delete->setEnabled(false);
    connect(m_list, &QListWidget::itemSelectionChanged, this,
            [this] { m_delete->setEnabled(!m_list->selectedItems().isEmpty()); });
    connect(m_delete, &QPushButton::clicked, this, &PinboardsSettingsPage::deleteSelected);
    row->addWidget(m_newName, 1);
    row->addWidget(m_add);
    row->addWidget(m_delete);
    layout->addLayout(row);

    connect(&m_store, &HistoryStore::pinboardsChanged, this, &PinboardsSettingsPage::scheduleSync);
    sync();
}

QString PinboardsSettingsPage::toHex(const QColor& color) {
    const QColor rgb = color.toRgb();
    if (!rgb.isValid())
        return newPinboardColorHex;
    const auto component = [](float value) { return static_cast<int>(value * 255.0f); };
    return u"#%1%2%3"_s.arg(component(rgb.redF()), 2, 16, QLatin1Char('0'))
        .arg(component(rgb.greenF()), 2, 16, QLatin1Char('0'))
        .arg(component(rgb.blueF()), 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString PinboardsSettingsPage::trimmedName(const QString& name) {
    const auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    qsizetype first = 0;
    qsizetype last = name.size();
    while (first < last && isBlank(name.at(first)))
        ++first;
    while (last > first && isBlank(name.at(last - 1)))
        --last;
    return name.mid(first, last - first);
}

void PinboardsSettingsPage::addPinboard() {
    const QString name = trimmedName(m_newName->text());
    if (name.isEmpty())
        return;
    m_store.createPinboard(name, newPinboardColorHex, m_store.pinboards().size());
    m_newName->clear();
}

void PinboardsSettingsPage::deleteSelected() {
    QList<int> rows;
    for (const auto* item : m_list->selectedItems())
        rows.append(m_list->row(item));
    std::sort(rows.begin(), rows.end());
    QList<PinboardPtr> doomed;
    for (const int row : rows)
        if (row >= 0 && row < m_shown.size())
            doomed.append(m_shown.at(row));
    for (const auto& pinboard : doomed)
        m_store.deletePinboard(pinboard);
}

bool PinboardsSettingsPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const auto key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete) {
            deleteSelected();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PinboardsSettingsPage::scheduleSync() {
    // Rows are not replaced under the signal of one of their own fields.
    if (m_isSyncScheduled)
        return;
    m_isSyncScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_isSyncScheduled = false;
        sync();
    });
}

void PinboardsSettingsPage::sync() {
    const auto pinboards = m_store.pinboards();
    if (pinboards == m_shown) {
        for (int row = 0; row < pinboards.size(); ++row) {
            auto* widget = m_list->itemWidget(m_list->item(row));
            auto* name = widget->findChild<QLineEdit*>();
            if (!name->hasFocus() && name->text() != pinboards.at(row)->name())
                name->setText(pinboards.at(row)->name());
            const QColor color = colorFromHex(pinboards.at(row)->colorHex());
            widget->findChild<QLabel*>()->setPixmap(circle(color, swatchSize));
            widget->findChild<QToolButton*>()->setIcon(QIcon(circle(color, colorButtonSwatch)));
        }
        return;
    }
    m_list->clear();
    m_shown = pinboards;
    for (int row = 0; row < pinboards.size(); ++row) {
        auto* item = new QListWidgetItem(m_list);
        QWidget* widget = makeRow(pinboards.at(row), row);
        item->setSizeHint(widget->sizeHint());
        m_list->setItemWidget(item, widget);
    }
}

QWidget* PinboardsSettingsPage::makeRow(const PinboardPtr& pinboard, int position) {
    auto* widget = new QWidget;
    widget->setObjectName(u"pinboardRow%1"_s.arg(position));
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(4, 2, 4, 2);
    const QColor color = colorFromHex(pinboard->colorHex());
    auto* swatch = new QLabel(widget);
    swatch->setObjectName(u"pinboardSwatch"_s);
    swatch->setPixmap(circle(color, swatchSize));
    auto* name = new QLineEdit(pinboard->name(), widget);
    name->setObjectName(u"pinboardName"_s);
    name->setPlaceholderText(u"Name"_s);
    name->setFrame(false);
    // Every edit is kept at once; an empty name is allowed.
    connect(name, &QLineEdit::textEdited, this,
            [this, pinboard](const QString& text) { m_store.renamePinboard(pinboard, text); });
    auto* colorButton = new QToolButton(widget);
    colorButton->setObjectName(u"pinboardColorButton"_s);
    colorButton->setIcon(QIcon(circle(color, colorButtonSwatch)));
    colorButton->setToolTip(u"Color"_s);
    connect(colorButton, &QToolButton::clicked, this, [this, pinboard] { chooseColor(pinboard); });
    layout->addWidget(swatch);
    layout->addWidget(name, 1);
    layout->addWidget(colorButton);
    return widget;
}

void PinboardsSettingsPage::chooseColor(const PinboardPtr& pinboard) {
    auto* dialog = new QColorDialog(colorFromHex(pinboard->colorHex()), this);
    dialog->setObjectName(u"pinboardColorDialog"_s);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QColorDialog::colorSelected, this, [this, pinboard](const QColor& color) {
        m_store.setPinboardColor(pinboard, toHex(color));
    });
    dialog->open();
}

} // namespace quillbox
