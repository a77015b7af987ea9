#pragma once

#include "ports/TrayIcon.h"

namespace quillbox::testing {

// A tray that records what it was shown and lets the test open its menu.
class FakeTrayIcon : public TrayIcon {
public:
    explicit FakeTrayIcon(bool available = true)
        : m_isAvailable(available) {}

    bool isAvailable() const override { return m_isAvailable; }
    void show() override { m_isVisible = true; }
    bool isVisible() const override { return m_isVisible; }
    void setIcon(const QIcon&) override {}
    void setToolTip(const QString&) override {}

    // Opens the menu as the desktop would and returns its entries.
    QList<TrayMenuEntry> openMenu() {
        if (onMenuAboutToShow)
            onMenuAboutToShow();
        return menuProvider ? menuProvider() : QList<TrayMenuEntry>{};
    }
    // Runs the entry with this title from a freshly opened menu; false if absent.
    bool choose(const QString& title) {
        for (const auto& entry : openMenu())
            if (entry.title == title && entry.action) {
                entry.action();
                return true;
            }
        return false;
    }

private:
    bool m_isAvailable;
    bool m_isVisible = false;
};

} // namespace quillbox::testing
