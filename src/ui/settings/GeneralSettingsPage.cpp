#include "ui/settings/GeneralSettingsPage.h"

#include "content/AppConstants.h"
#include "content/Preferences.h"
#include "core/AccessibilityManager.h"
#include "history/HistoryStore.h"
#include "ports/LoginItemService.h"
#include "ui/PanelTheme.h"
#include "ui/PasteStackGlyphs.h"
#include "ui/settings/SettingsSection.h"
#include "ui/settings/SettingsStyle.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {

constexpr int accessIconSize = 18;
// The folder path is shortened in the middle beyond this width.
constexpr int folderPathWidth = 320;
const QString loginErrorPrefix = u"Couldn't change launch at login: "_s;

// Rows inside a section.
constexpr int rowSpacing = 8;

QGroupBox* section(const QString& title, const QString& objectName, QWidget* parent) {
    auto* box = new SettingsSection(title, parent);
    box->setObjectName(objectName);
    auto* layout = new QVBoxLayout(box);
    layout->setSpacing(rowSpacing);
    return box;
}

// A switch that shows a Boolean preference and writes it at once; whoever
// reads the preference follows it from there.
QCheckBox* preferenceSwitch(Preferences& preferences, const QString& key, const QString& text,
                            const QString& objectName, QWidget* parent) {
    auto* toggle = new QCheckBox(text, parent);
    toggle->setObjectName(objectName);
    toggle->setChecked(preferences.boolValue(key));
    QObject::connect(toggle, &QCheckBox::toggled, parent,
                     [&preferences, key](bool on) { preferences.setValue(key, on); });
    return toggle;
}

QPixmap accessSymbol(bool granted, int size, qreal scale) {
    QPixmap pixmap(QSize(size, size) * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    drawStackGlyph(painter, granted ? StackGlyph::checkmarkCircle : StackGlyph::warningTriangle,
                   QRectF(0, 0, size, size),
                   granted ? SettingsStyle::grantedGreen() : SettingsStyle::warningOrange(),
                   PanelTheme::hud);
    return pixmap;
}

} // namespace

const QList<GeneralSettingsPage::RetentionChoice>& GeneralSettingsPage::retentionChoices() {
    static const QList<RetentionChoice> choices{
        {u"1 Day"_s, 1},     {u"1 Week"_s, 7},   {u"1 Month"_s, 30},
        {u"3 Months"_s, 90}, {u"1 Year"_s, 365}, {u"Unlimited"_s, -1},
    };
    return choices;
}

GeneralSettingsPage::GeneralSettingsPage(SettingsContext context, QWidget* parent)
    : QWidget(parent)
    , m_context(std::move(context)) {
    setObjectName(u"generalSettingsPage"_s);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(SettingsStyle::pageMargin, SettingsStyle::pageMargin / 2,
                               SettingsStyle::pageMargin, SettingsStyle::pageMargin);
    layout->setSpacing(SettingsStyle::sectionSpacing);
    layout->addWidget(makeStartupSection());
    layout->addWidget(makeHistorySection());
    layout->addWidget(makeScreenshotSection());
    layout->addWidget(makeSoundSection());
    layout->addWidget(makeAccessSection());
    layout->addStretch(1);
    refresh();
}

QWidget* GeneralSettingsPage::makeStartupSection() {
    auto* box = section(u"Startup"_s, u"startupSection"_s, this);
    m_launchAtLogin = new QCheckBox(u"Launch at login"_s, box);
    m_launchAtLogin->setObjectName(u"launchAtLoginSwitch"_s);
    connect(m_launchAtLogin, &QCheckBox::toggled, this, &GeneralSettingsPage::setLaunchAtLogin);
    // Red on a tinted ground, selectable so the system's reason can be copied.
    m_launchAtLoginError = SettingsStyle::caption({}, u"launchAtLoginError"_s, box);
    m_launchAtLoginError->setStyleSheet(SettingsStyle::errorStyleSheet());
    m_launchAtLoginError->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_launchAtLoginError->hide();
    box->layout()->addWidget(m_launchAtLogin);
    box->layout()->addWidget(m_launchAtLoginError);
    return box;
}

QWidget* GeneralSettingsPage::makeHistorySection() {
    auto* box = section(u"History"_s, u"historySection"_s, this);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(u"Keep history for:"_s, box);
    label->setObjectName(u"retentionLabel"_s);
    m_retention = new QComboBox(box);
    m_retention->setObjectName(u"retentionPicker"_s);
    label->setBuddy(m_retention);
    for (const auto& choice : retentionChoices())
        m_retention->addItem(choice.label, choice.days);
    const int days = m_context.preferences.intValue(AppConstants::Keys::retentionDays);
    int index = m_retention->findData(days < 1 ? -1 : days);
    if (index < 0) {
        // A period set outside this page stays as it is until another is chosen.
        m_retention->addItem(u"%1 Days"_s.arg(days), days);
        index = m_retention->count() - 1;
    }
    m_retention->setCurrentIndex(index);
    connect(m_retention, &QComboBox::activated, this, &GeneralSettingsPage::retentionChosen);
    row->addWidget(label);
    row->addWidget(m_retention);
    row->addStretch(1);
    static_cast<QVBoxLayout*>(box->layout())->addLayout(row);
    box->layout()->addWidget(
        SettingsStyle::caption(u"Pinned items and items saved to a pinboard are never removed."_s,
                               u"retentionNote"_s, box));
    auto* keep = new QCheckBox(u"Keep the clipboard when an application quits"_s, box);
    keep->setObjectName(u"keepClipboardSwitch"_s);
    keep->setChecked(m_context.preferences.boolValue(AppConstants::Keys::keepClipboardOnQuit));
    connect(keep, &QCheckBox::toggled, this, [this](bool enabled) {
        m_context.preferences.setValue(AppConstants::Keys::keepClipboardOnQuit, enabled);
    });
    box->layout()->addWidget(keep);
    return box;
}

QWidget* GeneralSettingsPage::makeScreenshotSection() {
    auto* box = section(u"Screenshots"_s, u"screenshotSection"_s, this);
    box->layout()->addWidget(
        preferenceSwitch(m_context.preferences, AppConstants::Keys::screenshotMonitoringEnabled,
                         u"Automatically capture screenshots"_s, u"screenshotSwitch"_s, box));
    box->layout()->addWidget(SettingsStyle::caption(
        u"When enabled, every screenshot you take (Print Screen) is automatically saved to "
        "your clipboard history."_s,
        u"screenshotNote"_s, box));
    const QString folder = m_context.screenshotFolder ? m_context.screenshotFolder() : QString();
    if (!folder.isEmpty()) {
        auto* row = new QHBoxLayout;
        row->addWidget(
            SettingsStyle::caption(u"Screenshot folder:"_s, u"screenshotFolderLabel"_s, box));
        auto* path = SettingsStyle::caption({}, u"screenshotFolderPath"_s, box);
        path->setWordWrap(false);
        QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        mono.setPointSizeF(path->font().pointSizeF());
        path->setFont(mono);
        path->setToolTip(folder);
        path->setText(path->fontMetrics().elidedText(folder, Qt::ElideMiddle, folderPathWidth));
        row->addWidget(path, 1);
        static_cast<QVBoxLayout*>(box->layout())->addLayout(row);
        // Until the folder exists, Quillbox waits for it rather than watches it.
        if (!QFileInfo(folder).isDir())
            box->layout()->addWidget(SettingsStyle::caption(
                u"This folder does not exist yet; it will be watched once it exists."_s,
                u"screenshotFolderNote"_s, box));
    }
    return box;
}

QWidget* GeneralSettingsPage::makeSoundSection() {
    auto* box = section(u"Sounds"_s, u"soundSection"_s, this);
    box->layout()->addWidget(preferenceSwitch(m_context.preferences,
                                              AppConstants::Keys::soundEnabled,
                                              u"Play sound effects"_s, u"soundSwitch"_s, box));
    return box;
}

QWidget* GeneralSettingsPage::makeAccessSection() {
    auto* box = section(u"Accessibility"_s, u"accessSection"_s, this);
    m_accessRow = new QFrame(box);
    m_accessRow->setObjectName(u"accessRow"_s);
    auto* row = new QHBoxLayout(m_accessRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(rowSpacing);
    m_accessIcon = new QLabel(m_accessRow);
    m_accessIcon->setObjectName(u"accessIcon"_s);
    m_accessIcon->setFixedSize(accessIconSize, accessIconSize);
    // In the body colour: the row says what the user has to act on.
    m_accessText = SettingsStyle::caption({}, u"accessText"_s, m_accessRow);
    m_accessText->setForegroundRole(QPalette::WindowText);
    m_grantAccess = new QPushButton(u"Grant Access"_s, m_accessRow);
    m_grantAccess->setObjectName(u"grantAccessButton"_s);
    connect(m_grantAccess, &QPushButton::clicked, this, [this] {
        // Asks, then polls so the row turns green once the grant is seen.
        m_context.accessibility.requestAccess();
        m_context.accessibility.startPeriodicCheck();
    });
    connect(&m_context.accessibility, &AccessibilityManager::isAccessibilityGrantedChanged, this,
            &GeneralSettingsPage::showAccess);
    row->addWidget(m_accessIcon, 0, Qt::AlignTop);
    row->addWidget(m_accessText, 1);
    row->addWidget(m_grantAccess, 0, Qt::AlignVCenter);
    box->layout()->addWidget(m_accessRow);
    return box;
}

void GeneralSettingsPage::showAccess(bool granted) {
    m_accessIcon->setPixmap(accessSymbol(granted, accessIconSize, devicePixelRatioF()));
    m_accessText->setText(
        granted ? u"Accessibility access granted. Direct paste and Paste Stack are available."_s
                : u"Accessibility access is required for direct paste and Paste Stack."_s);
    m_grantAccess->setVisible(!granted);
}

void GeneralSettingsPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
}

void GeneralSettingsPage::refresh() {
    const QSignalBlocker blocker(m_launchAtLogin);
    m_launchAtLogin->setChecked(m_context.loginItem.isEnabled());
    m_context.accessibility.checkAccess();
    showAccess(m_context.accessibility.isAccessibilityGranted());
}

void GeneralSettingsPage::setLaunchAtLogin(bool wanted) {
    const bool current = m_context.loginItem.isEnabled();
    if (wanted == current)
        return;
    const auto error = wanted ? m_context.loginItem.enable() : m_context.loginItem.disable();
    if (!error) {
        m_launchAtLoginError->hide();
        m_launchAtLoginError->clear();
        return;
    }
    m_launchAtLoginError->setText(loginErrorPrefix + *error);
    m_launchAtLoginError->show();
    // The switch shows what actually holds.
    const QSignalBlocker blocker(m_launchAtLogin);
    m_launchAtLogin->setChecked(current);
}

void GeneralSettingsPage::retentionChosen(int index) {
    m_context.preferences.setValue(AppConstants::Keys::retentionDays,
                                   m_retention->itemData(index).toInt());
    m_context.historyStore.pruneHistory(
        m_context.preferences.intValue(AppConstants::Keys::retentionDays),
        QDateTime::currentDateTimeUtc());
}

} // namespace quillbox
