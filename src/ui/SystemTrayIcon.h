#pragma once

#include "ports/TrayIcon.h"

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

namespace quillbox {

// The tray item through Qt: a StatusNotifierItem where the desktop runs a
// watcher (KDE, GNOME with the AppIndicator extension), an XEmbed icon in a
// system tray otherwise. Its menu is filled anew each time it opens.
class SystemTrayIcon : public QObject, public TrayIcon {
    Q_OBJECT
public:
    explicit SystemTrayIcon(QObject* parent = nullptr);
    ~SystemTrayIcon() override;

    bool isAvailable() const override;
    void show() override;
    bool isVisible() const override;
    void setIcon(const QIcon& icon) override;
    void setToolTip(const QString& text) override;

    // The menu the tray opens; refill() fills it as opening it would.
    QMenu* menu() { return &m_menu; }
    void refill();
    // The item's place on the screen, empty where the host does not say.
    QRect geometry() const { return m_trayIcon.geometry(); }
    QIcon icon() const { return m_trayIcon.icon(); }
    QString toolTip() const { return m_trayIcon.toolTip(); }

private:
    QMenu m_menu;
    QSystemTrayIcon m_trayIcon;
};

} // namespace quillbox
