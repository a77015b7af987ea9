#pragma once

#include "ports/HotkeyBackend.h"

#include <QHash>
#include <QObject>
#include <memory>

namespace quillbox {

class GnomeShellConnection;

// Global shortcuts that GNOME Shell binds for Quillbox through its extension:
// the keys are the extension's settings (defaulting to Quillbox's own, and
// changed with gsettings or the desktop's tools), so a registration names the
// action and the extension reports its presses by that name.
class GnomeHotkeyBackend : public QObject, public HotkeyBackend {
    Q_OBJECT
public:
    explicit GnomeHotkeyBackend(std::shared_ptr<GnomeShellConnection> connection,
                                QObject* parent = nullptr);

    // Without an action there is no name for the Shell to bind.
    Result registerHotkey(std::uint32_t id, std::uint32_t keySymbol,
                          std::uint32_t modifiers) override;
    Result registerAction(std::uint32_t id, std::uint32_t keySymbol, std::uint32_t modifiers,
                          const Action& action) override;
    void unregisterAll() override;

    // The extension's settings key of one of Quillbox's actions; empty for
    // an action the extension has no key for.
    static QString shortcutName(const QString& actionName);

private:
    std::shared_ptr<GnomeShellConnection> m_connection;
    QHash<QString, std::uint32_t> m_ids; // by the extension's shortcut name
};

} // namespace quillbox
