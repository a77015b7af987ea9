#include "ui/SystemTrayIcon.h"

namespace quillbox {

SystemTrayIcon::SystemTrayIcon(QObject* parent)
    : QObject(parent) {
    m_menu.setObjectName(QStringLiteral("trayMenu"));
    m_trayIcon.setObjectName(QStringLiteral("trayIcon"));
    m_trayIcon.setContextMenu(&m_menu);
    connect(&m_menu, &QMenu::aboutToShow, this, [this] {
        if (onMenuAboutToShow)
            onMenuAboutToShow();
        refill();
    });
    connect(&m_trayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (!onActivated)
                    return;
                switch (reason) {
                case QSystemTrayIcon::Trigger:
                    onActivated(Activation::primary);
                    break;
                case QSystemTrayIcon::Context:
                    onActivated(Activation::context);
                    break;
                default:
                    // A double click's second press: the first one already
                    // toggled the panel, and toggling back would undo it.
                    onActivated(Activation::other);
                    break;
                }
            });
}

SystemTrayIcon::~SystemTrayIcon() {
    m_trayIcon.setContextMenu(nullptr);
}

bool SystemTrayIcon::isAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SystemTrayIcon::show() {
    m_trayIcon.show();
}

bool SystemTrayIcon::isVisible() const {
    return m_trayIcon.isVisible();
}

void SystemTrayIcon::setIcon(const QIcon& icon) {
    m_trayIcon.setIcon(icon);
}

void SystemTrayIcon::setToolTip(const QString& text) {
    m_trayIcon.setToolTip(text);
}

void SystemTrayIcon::refill() {
    m_menu.clear();
    if (!menuProvider)
        return;
    int position = 0;
    for (const auto& entry : menuProvider()) {
        ++position;
        if (entry.isSeparator()) {
            m_menu.addSeparator();
            continue;
        }
        // Text after a tab is shown in the menu's key column. The keys are
        // shown only: the global ones are grabbed by the hot-key manager, and
        // an action shortcut here would take them from the focused window.
        QAction* action =
            m_menu.addAction(entry.keys.isEmpty() ? entry.title : entry.title + u'\t' + entry.keys);
        action->setObjectName(QStringLiteral("trayMenuEntry%1").arg(position));
        if (entry.action)
            connect(action, &QAction::triggered, this, [run = entry.action] { run(); });
    }
}

} // namespace quillbox
