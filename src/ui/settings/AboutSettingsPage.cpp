#include "ui/settings/AboutSettingsPage.h"

#include "content/AppConstants.h"
#include "ui/StatusItemIcons.h"
#include "ui/settings/SettingsStyle.h"

#include <QCoreApplication>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {
constexpr int iconSize = 128;
constexpr qreal titleScale = 2.0;
const QString fallbackVersion = u"1.0"_s;
const QString licenceText = u"Free software under the MIT License."_s;
} // namespace

QString AboutSettingsPage::versionText() {
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? fallbackVersion : version;
}

AboutSettingsPage::AboutSettingsPage(const QString& historyLocation, QWidget* parent)
    : QWidget(parent) {
    setObjectName(u"aboutSettingsPage"_s);
    auto* layout = new QVBoxLayout(this);
    layout->setAlignment(Qt::AlignHCenter);
    auto* icon = new QLabel(this);
    icon->setObjectName(u"aboutIcon"_s);
    icon->setPixmap(StatusItemIcons::applicationIcon().pixmap(iconSize, iconSize));
    icon->setAlignment(Qt::AlignCenter);
    auto* name = new QLabel(AppConstants::applicationName, this);
    name->setObjectName(u"aboutName"_s);
    QFont titleFont = name->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * titleScale);
    titleFont.setBold(true);
    name->setFont(titleFont);
    name->setAlignment(Qt::AlignCenter);
    auto* tagline =
        SettingsStyle::headline(u"Clipboard Manager for Linux"_s, u"aboutTagline"_s, this);
    tagline->setAlignment(Qt::AlignCenter);
    auto* version = SettingsStyle::caption(u"Version "_s + versionText(), u"aboutVersion"_s, this);
    version->setAlignment(Qt::AlignCenter);
    auto* licence = SettingsStyle::caption(licenceText, u"aboutLicence"_s, this);
    licence->setAlignment(Qt::AlignCenter);
    auto* location = SettingsStyle::caption(historyLocation.isEmpty()
                                                ? u"History is kept in memory only."_s
                                                : u"History is kept in %1"_s.arg(historyLocation),
                                            u"aboutHistoryLocation"_s, this);
    location->setAlignment(Qt::AlignCenter);
    location->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addStretch(1);
    for (QWidget* widget : {static_cast<QWidget*>(icon), static_cast<QWidget*>(name),
                            static_cast<QWidget*>(tagline), static_cast<QWidget*>(version),
                            static_cast<QWidget*>(licence), static_cast<QWidget*>(location)})
        layout->addWidget(widget);
    layout->addStretch(2);
}

} // namespace quillbox
