#pragma once

#include "app/CommandLine.h"
#include "app/CommandReply.h"
#include "app/CommandResult.h"
#include "app/SingleInstanceLock.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QLocalServer;
class QLocalSocket;

namespace quillbox {

// The running application's end of the per-user socket: it makes this process
// the only Quillbox of its user, and serves the command line. A request is
// one JSON line {"command", "arguments", "options"}. The answer is JSON lines:
// any number of {"progress": text}, {"dataBytes": N} followed by N bytes of
// standard output, and {"alive": true} (sent while a command works, so the
// client knows it is not stuck), then {"exitCode", "output", "error"}. Everything is driven by
// socket signals on the main thread, so a slow or silent client never holds
// the application up. Peers of another user are dropped.
class InstanceServer : public QObject {
    Q_OBJECT
public:
    // Runs a command and hands its result to the reply, now or later. The
    // reply does nothing when the client has gone meanwhile.
    using Handler = std::function<void(const Command& command, CommandReply reply)>;

    enum class ListenResult { listening, alreadyRunning, failed };

    explicit InstanceServer(Handler handler, QObject* parent = nullptr);
    ~InstanceServer() override;

    // Takes the lock beside the socket (socketPath + ".lock"), then claims the
    // socket. A lock held by another process, or another live instance
    // answering at the path, means alreadyRunning; a socket file nobody
    // answers on (left by a killed process) is replaced. When the socket can't
    // be made, the lock is still held: a second start stays refused.
    ListenResult listen(const QString& socketPath);
    QString errorString() const { return m_errorString; }
    // While not answering, requests are read and held (with keep-alives to
    // their clients) and run in order once answering starts. The application
    // answers only once it has read what was on the clipboard at launch.
    void setAnswering(bool isAnswering);

    // Whether this process holds the single-instance lock (also when the
    // socket itself failed).
    bool hasInstanceLock() const { return m_lock.isLocked(); }

    // $XDG_RUNTIME_DIR/quillbox-<uid>.socket, or, without a usable
    // XDG_RUNTIME_DIR, the same name in a private folder of our own under
    // $TMPDIR (or /tmp): quillbox-<uid>, mode 0700. Empty when that folder
    // belongs to another user or others may write to it.
    static QString defaultSocketPath();
    // The user id at the other end of a local socket; none when unknown.
    static std::optional<uint> peerUserID(qintptr socketDescriptor);

private:
    void acceptConnections();
    void readRequest(QLocalSocket* socket);

    Handler m_handler;
    bool m_isAnswering = true;
    std::vector<std::pair<Command, CommandReply>> m_heldRequests;
    QLocalServer* m_server = nullptr;
    SingleInstanceLock m_lock;
    QString m_errorString;
};

} // namespace quillbox
