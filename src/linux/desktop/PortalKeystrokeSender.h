#pragma once

#include "linux/desktop/TerminalPasteKeys.h"
#include "ports/KeystrokeSender.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>

namespace quillbox {

class FrontmostApplicationSource;
class Preferences;

// Pastes through the desktop portal's RemoteDesktop interface, where nothing
// else may send keys to other applications (GNOME and KDE on Wayland): a
// session with a keyboard, started once (the desktop asks the user the first
// time; the restore token it gives back, kept in Quillbox's settings, spares
// the question next time), then Ctrl+V as evdev key codes, or the keys a
// terminal pastes with. Every call is asynchronous; a paste asked for while
// the session starts goes out once it has.
class PortalKeystrokeSender : public QObject, public KeystrokeSender {
    Q_OBJECT
public:
    // Key codes of linux/input-event-codes.h, which the portal takes.
    static constexpr int leftCtrlKey = 29;
    static constexpr int leftShiftKey = 42;
    static constexpr int leftAltKey = 56;
    static constexpr int vKey = 47;

    struct KeyEvent {
        int keyCode = 0;
        bool isPress = false;
        bool operator==(const KeyEvent&) const = default;
    };
    // Presses in order, then releases in reverse; none for PasteKeys::none.
    static QList<KeyEvent> keyEventsFor(PasteKeys keys);

    // frontmost tells terminals apart (may be null: Ctrl+V everywhere);
    // settingsFile is Quillbox's settings, which keep the restore token.
    PortalKeystrokeSender(FrontmostApplicationSource* frontmost, const QString& settingsFile,
                          QObject* parent = nullptr);
    // On a bus connection already opened under this name (QDBusConnection).
    PortalKeystrokeSender(FrontmostApplicationSource* frontmost, const QString& settingsFile,
                          const QString& connectionName, QObject* parent = nullptr);
    ~PortalKeystrokeSender() override;

    // False once the portal turned out absent or refused the keyboard.
    bool isAvailable() const { return !m_isRefused; }

    void rememberTargetWindow() override;
    // False when the portal is absent or refuses, or the window in front has
    // no key that pastes.
    void sendPasteKeystroke(Outcome done) override;

private Q_SLOTS:
    void onSessionClosed(const QVariantMap& details);

private:
    enum class Phase { none, starting, started };

    void startSession();
    void selectDevices(quint64 attempt);
    void start(quint64 attempt);
    bool isCurrent(quint64 attempt) const { return attempt == m_attempt; }
    void refuse(const QString& reason);
    void sendKeys();
    void finish(bool sent);
    void closeSession();
    std::optional<QString> frontmostIdentifier() const;

    FrontmostApplicationSource* m_frontmost;
    std::unique_ptr<Preferences> m_settings;
    QString m_connectionName;
    Phase m_phase = Phase::none;
    QString m_sessionPath;
    quint64 m_attempt = 0;
    bool m_isRefused = false;
    bool m_isPastePending = false;
    QList<Outcome> m_waiting;
    std::optional<QString> m_targetApplication;
    PasteKeys m_keys = PasteKeys::ctrlV;
};

} // namespace quillbox
