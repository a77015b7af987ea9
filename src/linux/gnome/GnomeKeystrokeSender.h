#pragma once

#include "ports/KeystrokeSender.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <memory>
#include <vector>

namespace quillbox {

class GnomeShellConnection;

// Pastes into another application through the Shell's own virtual keyboard:
// once the application that was in front before Quillbox's window has the
// focus back (awaited on a main-thread timer, bounded), the extension types
// Ctrl+V, or a terminal's paste keys chosen by its application id.
class GnomeKeystrokeSender : public QObject, public KeystrokeSender {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds pollInterval{10};
    static constexpr std::chrono::milliseconds focusTimeout{1000};

    explicit GnomeKeystrokeSender(std::shared_ptr<GnomeShellConnection> connection,
                                  QObject* parent = nullptr);

    void rememberTargetWindow() override;
    void sendPasteKeystroke(Outcome done) override;

    // Clutter's key names for the paste keys of that application; empty
    // where no key pastes.
    static QStringList pasteKeyNames(const QString& appId);

private:
    void step();
    void finish(bool sent);

    std::shared_ptr<GnomeShellConnection> m_connection;
    QString m_target;
    std::vector<Outcome> m_waiting;
    QTimer m_timer;
    QElapsedTimer m_clock;
};

} // namespace quillbox
