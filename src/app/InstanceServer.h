#pragma once

#include "app/CommandLine.h"
#include "app/CommandResult.h"

#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;
class QLocalSocket;

namespace quillbox {

// The running application's end of the per-user socket: it makes this process
// the only Quillbox of its user, and serves the command line. A request is
// one JSON line {"command", "arguments", "options"}; the answer one JSON line
// {"exitCode", "output", "error"}. Everything is driven by socket signals on
// the main thread, so a slow or silent client never holds the application up.
class InstanceServer : public QObject {
    Q_OBJECT
public:
    // Runs a command and hands its result to the reply, now or later. The
    // reply does nothing when the client has gone meanwhile.
    using Handler = std::function<void(const Command& command,
                                       std::function<void(const CommandResult&)> reply)>;

    enum class ListenResult { listening, alreadyRunning, failed };

    explicit InstanceServer(Handler handler, QObject* parent = nullptr);
    ~InstanceServer() override;

    // Claims the socket at the path. Another live instance answering there
    // means alreadyRunning; a socket file nobody answers on (left by a killed
    // process) is replaced.
    ListenResult listen(const QString& socketPath);
    QString errorString() const { return m_errorString; }

    // $XDG_RUNTIME_DIR (or Qt's private per-user fallback) / quillbox-<uid>.socket
    static QString defaultSocketPath();

private:
    void acceptConnections();
    void readRequest(QLocalSocket* socket);
    void reply(QLocalSocket* socket, const CommandResult& result);

    Handler m_handler;
    QLocalServer* m_server = nullptr;
    QString m_errorString;
};

} // namespace quillbox
