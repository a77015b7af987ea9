#include "app/InstanceServer.h"

#include "content/Logging.h"

#include <QDir>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>
#include <chrono>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace quillbox {

namespace {
// A request is a short JSON line; anything longer is not from our client.
constexpr qsizetype maxRequestSize = 64 * 1024;
// A client that connects and says nothing is dropped after this long.
constexpr auto requestTimeout = 10s;
// How long a starting instance waits for another one that is starting too.
constexpr auto startLockTimeout = 5s;
// How long a live instance has to accept a probing connection.
constexpr int probeTimeoutMs = 1000;
} // namespace

InstanceServer::InstanceServer(Handler handler, QObject* parent)
    : QObject(parent)
    , m_handler(std::move(handler)) {
}

InstanceServer::~InstanceServer() = default;

QString InstanceServer::defaultSocketPath() {
    QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (directory.isEmpty())
        directory = QDir::tempPath();
    return directory + u"/quillbox-%1.socket"_s.arg(getuid());
}

InstanceServer::ListenResult InstanceServer::listen(const QString& socketPath) {
    // Two starts at the same moment would each find no instance and each
    // replace the other's socket; the lock makes probing and claiming one step.
    QLockFile lock(socketPath + u".lock"_s);
    lock.setStaleLockTime(0);
    if (!lock.tryLock(int(std::chrono::milliseconds(startLockTimeout).count()))) {
        m_errorString = u"could not lock %1"_s.arg(lock.fileName());
        return ListenResult::failed;
    }

    {
        QLocalSocket probe;
        probe.connectToServer(socketPath);
        if (probe.waitForConnected(probeTimeoutMs)) {
            probe.disconnectFromServer();
            return ListenResult::alreadyRunning;
        }
    }
    // Nobody answers: whatever is left at the path is a dead instance's socket.
    QLocalServer::removeServer(socketPath);

    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(socketPath)) {
        m_errorString = m_server->errorString();
        delete m_server;
        m_server = nullptr;
        return ListenResult::failed;
    }
    connect(m_server, &QLocalServer::newConnection, this, &InstanceServer::acceptConnections);
    return ListenResult::listening;
}

void InstanceServer::acceptConnections() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        QTimer::singleShot(requestTimeout, socket, [socket] {
            if (socket->property("quillboxRequestRead").toBool())
                return;
            socket->abort();
        });
    }
}

void InstanceServer::readRequest(QLocalSocket* socket) {
    if (socket->property("quillboxRequestRead").toBool())
        return; // one request per connection
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > maxRequestSize) {
            qCWarning(lcApp) << "Quillbox: dropped a command-line request over" << maxRequestSize
                             << "bytes";
            socket->abort();
        }
        return;
    }
    socket->setProperty("quillboxRequestRead", true);
    const QByteArray line = socket->readLine(maxRequestSize + 1);

    QJsonParseError parseError;
    const auto document = QJsonDocument::fromJson(line, &parseError);
    std::optional<Command> command;
    if (document.isObject())
        command = Command::fromJson(document.object());
    if (!command) {
        qCWarning(lcApp) << "Quillbox: ignored a malformed command-line request";
        reply(socket, CommandResult::failure(u"malformed request"_s, ExitCode::usage));
        return;
    }
    if (auto error = validateCommand(*command)) {
        reply(socket, CommandResult::failure(*error, ExitCode::usage));
        return;
    }
    QPointer<QLocalSocket> guarded(socket);
    m_handler(*command, [this, guarded](const CommandResult& result) {
        if (guarded)
            reply(guarded, result);
    });
}

void InstanceServer::reply(QLocalSocket* socket, const CommandResult& result) {
    socket->write(QJsonDocument(result.toJson()).toJson(QJsonDocument::Compact) + '\n');
    // Hands the answer to the kernel now: `quit` ends the event loop next.
    socket->flush();
    // Closes once the answer is written; the socket is deleted on disconnect.
    socket->disconnectFromServer();
}

} // namespace quillbox
