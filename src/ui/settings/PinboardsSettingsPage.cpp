#include "ui/settings/PinboardsSettingsPage.h"

#include "content/ColorHex.h"
#include "history/HistoryStore.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {

constexpr int swatchSize = 12;
constexpr int colorButtonSwatch = 16;

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
    : RecordListPage({u"Pinboards"_s, u"pinboardsTitle"_s,
                      u"Create collections to organize your clipboard items."_s, u"pinboardsNote"_s,
                      u"pinboardList"_s, u"pinboardRow"_s, u"deletePinboardButton"_s},
                     parent)
    , m_store(store) {
    setObjectName(u"pinboardsSettingsPage"_s);
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
    controls()->insertWidget(0, m_newName, 1);
    controls()->insertWidget(1, m_add);

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

void PinboardsSettingsPage::deleteRows(const QList<int>& rows) {
    QList<PinboardPtr> doomed;
    for (const int row : rows)
        if (row >= 0 && row < m_shown.size())
            doomed.append(m_shown.at(row));
    for (const auto& pinboard : doomed)
        m_store.deletePinboard(pinboard);
}

void PinboardsSettingsPage::sync() {
    syncRows(
        m_store.pinboards(), m_shown,
        [this](const PinboardPtr& pinboard) { return makeRow(pinboard); },
        &PinboardsSettingsPage::updateRow);
}

QWidget* PinboardsSettingsPage::makeRow(const PinboardPtr& pinboard) {
    auto* widget = new QWidget;
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(4, 2, 4, 2);
    auto* swatch = new QLabel(widget);
    swatch->setObjectName(u"pinboardSwatch"_s);
    auto* name = new QLineEdit(pinboard->name(), widget);
    name->setObjectName(u"pinboardName"_s);
    name->setPlaceholderText(u"Name"_s);
    name->setFrame(false);
    // Every edit is kept at once; an empty name is allowed.
    connect(name, &QLineEdit::textEdited, this,
            [this, pinboard](const QString& text) { m_store.renamePinboard(pinboard, text); });
    auto* colorButton = new QToolButton(widget);
    colorButton->setObjectName(u"pinboardColorButton"_s);
    colorButton->setToolTip(u"Color"_s);
    connect(colorButton, &QToolButton::clicked, this, [this, pinboard] { chooseColor(pinboard); });
    layout->addWidget(swatch);
    layout->addWidget(name, 1);
    layout->addWidget(colorButton);
    updateRow(widget, pinboard);
    return widget;
}

void PinboardsSettingsPage::updateRow(QWidget* row, const PinboardPtr& pinboard) {
    auto* name = row->findChild<QLineEdit*>();
    if (!name->hasFocus() && name->text() != pinboard->name())
        name->setText(pinboard->name());
    const QColor color = colorFromHex(pinboard->colorHex());
    row->findChild<QLabel*>()->setPixmap(circle(color, swatchSize));
    row->findChild<QToolButton*>()->setIcon(QIcon(circle(color, colorButtonSwatch)));
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
