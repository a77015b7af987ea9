#include "ui/settings/SettingsWindow.h"

#include "ui/StatusItemIcons.h"
#include "ui/settings/AboutSettingsPage.h"
#include "ui/settings/GeneralSettingsPage.h"
#include "ui/settings/PinboardsSettingsPage.h"
#include "ui/settings/RulesSettingsPage.h"
#include "ui/settings/ShortcutsSettingsPage.h"

#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace quillbox {

SettingsWindow::SettingsWindow(SettingsContext context, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(u"settingsWindow"_s);
    setWindowTitle(u"Quillbox Settings"_s);
    setWindowIcon(StatusItemIcons::applicationIcon());
    // Titled, closable and minimizable; not resizable.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinimizeButtonHint);
    setFixedSize(windowSize);

    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(u"settingsTabs"_s);
    layout->addWidget(m_tabs);

    m_general = new GeneralSettingsPage(context, m_tabs);
    m_shortcuts = new ShortcutsSettingsPage(context.panelKeys, context.pasteStackKeys, m_tabs);
    m_rules = new RulesSettingsPage(context.historyStore, context.installedApplications, m_tabs);
    m_pinboards = new PinboardsSettingsPage(context.historyStore, m_tabs);
    m_about = new AboutSettingsPage(context.historyLocation, m_tabs);
    const auto* style = this->style();
    // The general page may need more height than the fixed window has in
    // larger fonts; it scrolls rather than squeezing its captions.
    auto* generalScroller = new QScrollArea(m_tabs);
    generalScroller->setObjectName(u"generalSettingsScroller"_s);
    generalScroller->setFrameShape(QFrame::NoFrame);
    generalScroller->setWidgetResizable(true);
    generalScroller->setWidget(m_general);
    m_tabs->addTab(generalScroller, style->standardIcon(QStyle::SP_FileDialogDetailedView),
                   u"General"_s);
    m_tabs->addTab(m_shortcuts, style->standardIcon(QStyle::SP_DialogHelpButton), u"Shortcuts"_s);
    m_tabs->addTab(m_rules, style->standardIcon(QStyle::SP_DialogApplyButton), u"Rules"_s);
    m_tabs->addTab(m_pinboards, style->standardIcon(QStyle::SP_DirIcon), u"Pinboards"_s);
    m_tabs->addTab(m_about, style->standardIcon(QStyle::SP_MessageBoxInformation), u"About"_s);
}

void SettingsWindow::present() {
    if (!isVisible()) {
        // Centred on the screen the first time, where the user left it later.
        if (!m_wasShown && screen())
            move(screen()->availableGeometry().center() - rect().center());
        m_wasShown = true;
    }
    showNormal();
    raise();
    activateWindow();
}

} // namespace quillbox
