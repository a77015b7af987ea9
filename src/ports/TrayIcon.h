#pragma once

#include <QIcon>
#include <QList>
#include <QString>
#include <functional>

namespace quillbox {

// One line of the tray item's menu: a command with the keys that reach it
// elsewhere, or a separator (empty title).
struct TrayMenuEntry {
    QString title;
    QString keys;
    std::function<void()> action;

    bool isSeparator() const { return title.isEmpty(); }
};

// The desktop's tray or indicator item. The menu is asked of menuProvider
// each time it opens, so its titles follow the current state.
class TrayIcon {
public:
    enum class Activation { primary, context, other };

    virtual ~TrayIcon() = default;

    // False where the desktop has no tray at all.
    virtual bool isAvailable() const = 0;
    virtual void show() = 0;
    virtual bool isVisible() const = 0;
    virtual void setIcon(const QIcon& icon) = 0;
    virtual void setToolTip(const QString& text) = 0;

    std::function<void(Activation)> onActivated;
    // Called as the menu is about to open, before menuProvider.
    std::function<void()> onMenuAboutToShow;
    std::function<QList<TrayMenuEntry>()> menuProvider;
};

} // namespace quillbox
