#include "ui/settings/SettingsWindow.h"

#include "ui/StatusItemIcons.h"
#include "ui/settings/AboutSettingsPage.h"
#include "ui/settings/GeneralSettingsPage.h"
#include "ui/settings/PinboardsSettingsPage.h"
#include "ui/settings/RulesSettingsPage.h"
#include "ui/settings/SettingsStyle.h"
#include "ui/settings/SettingsTabIcons.h"
#include "ui/settings/ShortcutsSettingsPage.h"

#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
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
    SettingsStyle::applyTheme(*this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(windowMargin, windowMargin, windowMargin, 0);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(u"settingsTabs"_s);
    m_tabs->setIconSize(QSize(tabIconSize, tabIconSize));
    m_tabs->setDocumentMode(true);
    m_tabs->tabBar()->setDrawBase(false);
    m_tabs->tabBar()->setStyleSheet(SettingsStyle::tabBarStyleSheet());
    layout->addWidget(m_tabs);

    m_general = new GeneralSettingsPage(context, m_tabs);
    m_shortcuts = new ShortcutsSettingsPage(context.panelKeys, context.pasteStackKeys, m_tabs);
    m_rules = new RulesSettingsPage(context.historyStore, context.installedApplications, m_tabs);
    m_pinboards = new PinboardsSettingsPage(context.historyStore, m_tabs);
    m_about = new AboutSettingsPage(context.historyLocation, m_tabs);
    // Only a screen too small for the window makes the general page scroll.
    m_generalScroller = new QScrollArea(m_tabs);
    m_generalScroller->setObjectName(u"generalSettingsScroller"_s);
    m_generalScroller->setFrameShape(QFrame::NoFrame);
    m_generalScroller->setWidgetResizable(true);
    m_generalScroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_generalScroller->setWidget(m_general);
    using Tab = SettingsTabIcons::Tab;
    const QColor tabColor = SettingsStyle::secondaryText();
    const QColor selectedTabColor = palette().color(QPalette::BrightText);
    const auto icon = [&](Tab tab) {
        return SettingsTabIcons::icon(tab, tabColor, selectedTabColor);
    };
    m_tabs->addTab(m_generalScroller, icon(Tab::general), u"General"_s);
    m_tabs->addTab(m_shortcuts, icon(Tab::shortcuts), u"Shortcuts"_s);
    m_tabs->addTab(m_rules, icon(Tab::rules), u"Rules"_s);
    m_tabs->addTab(m_pinboards, icon(Tab::pinboards), u"Pinboards"_s);
    m_tabs->addTab(m_about, icon(Tab::about), u"About"_s);
    setFixedSize(fittingSize());
}

QSize SettingsWindow::fittingSize() {
    ensurePolished();
    // The general page at the window's width, with room for the two-line
    // message a failed login-item change adds under its switch.
    const QMargins outer = layout()->contentsMargins();
    const int pageWidth = minimumWindowSize.width() - outer.left() - outer.right() -
                          m_generalScroller->verticalScrollBar()->sizeHint().width();
    const int generalHeight = m_general->hasHeightForWidth() ? m_general->heightForWidth(pageWidth)
                                                             : m_general->sizeHint().height();
    const int errorRoom = 2 * fontMetrics().lineSpacing() + 2 * fontMetrics().height();
    const int height = outer.top() + outer.bottom() + m_tabs->tabBar()->sizeHint().height() +
                       generalHeight + errorRoom;
    QSize size(minimumWindowSize.width(), std::max(minimumWindowSize.height(), height));
    if (const QScreen* shown = screen())
        size.setHeight(std::min(size.height(), shown->availableGeometry().height() * 9 / 10));
    return size;
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
