#pragma once

#include "ports/HotkeyBackend.h"

#include <QDBusObjectPath>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace quillbox {

// System-wide key combinations through the desktop portal's GlobalShortcuts
// interface, where key grabs reach no other window (Wayland): a session of
// ours, the shortcuts bound to it with what each does and the keys we would
// like (the desktop may ask the user and choose others), and the portal's
// Activated signal for each press. Registrations made in one turn of the
// event loop are bound together; a session's shortcuts cannot be changed,
// so a later one binds them all again in a new session. Every call is
// asynchronous.
//
// Without the portal, or when it refuses, one line in the log tells the user
// to bind Quillbox's commands in the desktop's own keyboard settings.
class PortalHotkeyBackend : public QObject, public HotkeyBackend {
    Q_OBJECT
public:
    enum class State {
        idle,        // nothing to bind
        binding,     // waiting for the portal (or the user in its dialog)
        active,      // bound: presses arrive
        unavailable, // no portal, or it refused
    };

    // On the session bus.
    explicit PortalHotkeyBackend(QObject* parent = nullptr);
    // On a bus connection already opened under this name (QDBusConnection).
    explicit PortalHotkeyBackend(const QString& connectionName, QObject* parent = nullptr);
    ~PortalHotkeyBackend() override;

    Result registerHotkey(std::uint32_t id, std::uint32_t keySymbol,
                          std::uint32_t modifiers) override;
    Result registerAction(std::uint32_t id, std::uint32_t keySymbol, std::uint32_t modifiers,
                          const Action& action) override;
    void unregisterAll() override;

    State state() const { return m_state; }
    // For `quillbox status`: the keys the desktop bound, or why there are none.
    QString description() const { return m_description; }

    // The portal's trigger for a combination, in the freedesktop shortcuts
    // syntax ("LOGO+SHIFT+v"); empty for a key it has no name for.
    static QString triggerFor(std::uint32_t keySymbol, std::uint32_t modifiers);

Q_SIGNALS:
    void stateChanged(State state);

private Q_SLOTS:
    void onActivated(const QDBusObjectPath& session, const QString& shortcutID,
                     qulonglong timestamp, const QVariantMap& options);
    void onSessionClosed(const QVariantMap& details);

private:
    struct Shortcut {
        std::uint32_t id = 0;
        QString name;
        QString description;
        QString trigger;
    };

    void bind();
    void bindShortcuts(quint64 attempt);
    void closeSession();
    void setState(State state, const QString& description);
    void giveUp(const QString& reason);

    QString m_connectionName;
    QList<Shortcut> m_shortcuts;
    QString m_sessionPath;
    State m_state = State::idle;
    QString m_description;
    bool m_isBindScheduled = false;
    bool m_isListening = false;
    // Each binding attempt; answers to an earlier one are dropped.
    quint64 m_attempt = 0;
};

} // namespace quillbox
