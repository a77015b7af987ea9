#include "app/InstanceServer.h"

#include "content/Logging.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace quillbox {

namespace {
// A request is a short JSON line; anything longer is not from our client.
constexpr qsizetype maxRequestSize = 64 * 1024;
// A client that connects and says nothing is dropped after this long.
constexpr auto requestTimeout = 10s;
const auto requestDeadlineName = QStringLiteral("quillboxRequestDeadline");
// How long a live instance has to accept a probing connection.
constexpr int probeTimeoutMs = 1000;
// While a command works, the client hears this often that it does.
constexpr auto keepAliveInterval = 1s;
// Streamed output waits while more than this is queued for the client.
constexpr qint64 maxQueuedOutput = 4 * 1024 * 1024;
constexpr mode_t privateFolderMode = 0700;

QByteArray messageLine(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

// A folder only this user can write to: ours, a real directory (not a link),
// and closed to the group and others.
bool isPrivateFolder(const QString& path, QString& why) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0) {
        why = u"it does not exist"_s;
        return false;
    }
    if (!S_ISDIR(info.st_mode))
        why = u"it is not a folder"_s;
    else if (info.st_uid != ::geteuid())
        why = u"it belongs to user %1"_s.arg(info.st_uid);
    else if (info.st_mode & (S_IWGRP | S_IWOTH))
        why = u"others may write to it (mode %1)"_s.arg(info.st_mode & 0777, 0, 8);
    return why.isEmpty();
}

// One client's connection while its command runs: keep-alives, progress,
// streamed output paced by what the client has read, then the answer.
class Exchange : public QObject {
public:
    explicit Exchange(QLocalSocket* socket)
        : QObject(socket)
        , m_socket(socket) {
        m_keepAlive.setInterval(keepAliveInterval);
        connect(&m_keepAlive, &QTimer::timeout, this, [this] {
            send(QJsonObject{{u"alive"_s, true}});
        });
        connect(socket, &QLocalSocket::bytesWritten, this, &Exchange::runDrainWaiters);
    }

    void start() { m_keepAlive.start(); }

    void send(const QJsonObject& message) {
        if (m_hasFinished)
            return;
        m_socket->write(messageLine(message));
    }

    // Output goes as it is, after a line that says how much follows: no
    // encoding, and no JSON document the size of the output.
    void sendData(const QByteArray& bytes) {
        if (m_hasFinished || bytes.isEmpty())
            return;
        send(QJsonObject{{u"dataBytes"_s, double(bytes.size())}});
        m_socket->write(bytes);
    }

    void finish(const CommandResult& result) {
        if (m_hasFinished)
            return;
        send(result.toJson());
        m_hasFinished = true;
        m_keepAlive.stop();
        m_drainWaiters.clear();
        // Hands the answer to the kernel now: `quit` ends the event loop next.
        m_socket->flush();
        // Closes once the answer is written; the socket is deleted on disconnect.
        m_socket->disconnectFromServer();
    }

    void whenDrained(std::function<void()> next) {
        if (m_hasFinished)
            return;
        m_drainWaiters.push_back(std::move(next));
        if (m_socket->bytesToWrite() <= maxQueuedOutput)
            QTimer::singleShot(0, this, &Exchange::runDrainWaiters);
    }

private:
    void runDrainWaiters() {
        if (m_socket->bytesToWrite() > maxQueuedOutput)
            return;
        auto waiters = std::move(m_drainWaiters);
        m_drainWaiters.clear();
        for (auto& next : waiters)
            next();
    }

    QLocalSocket* m_socket;
    QTimer m_keepAlive;
    std::vector<std::function<void()>> m_drainWaiters;
    bool m_hasFinished = false;
};

} // namespace

InstanceServer::InstanceServer(Handler handler, QObject* parent)
    : QObject(parent)
    , m_handler(std::move(handler)) {
}

InstanceServer::~InstanceServer() = default;

QString InstanceServer::defaultSocketPath() {
    const QString socketName = u"/quillbox-%1.socket"_s.arg(::getuid());
    QString why;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime)) {
        if (isPrivateFolder(runtime, why))
            return runtime + socketName;
        qCWarning(lcApp).noquote()
            << u"Quillbox: not using XDG_RUNTIME_DIR %1: %2"_s.arg(runtime, why);
        why.clear();
    }
    // The shared temporary folder itself is not safe: another user could
    // bind our socket name first. A folder of our own, checked, is.
    QString base = qEnvironmentVariable("TMPDIR");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = u"/tmp"_s;
    const QString folder = base + u"/quillbox-%1"_s.arg(::getuid());
    if (::mkdir(QFile::encodeName(folder).constData(), privateFolderMode) != 0 && errno != EEXIST) {
        qCWarning(lcApp).noquote()
            << u"Quillbox: could not make %1 for the control socket"_s.arg(folder);
        return {};
    }
    if (!isPrivateFolder(folder, why)) {
        qCWarning(lcApp).noquote()
            << u"Quillbox: not using %1 for the control socket: %2"_s.arg(folder, why);
        return {};
    }
    return folder + socketName;
}

std::optional<uint> InstanceServer::peerUserID(qintptr socketDescriptor) {
    struct ucred credentials {};
    socklen_t size = sizeof(credentials);
    if (socketDescriptor < 0 ||
        ::getsockopt(int(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return std::nullopt;
    return uint(credentials.uid);
}

void InstanceServer::setAnswering(bool isAnswering) {
    m_isAnswering = isAnswering;
    if (!isAnswering)
        return;
    auto held = std::move(m_heldRequests);
    m_heldRequests.clear();
    for (auto& [command, reply] : held)
        m_handler(command, std::move(reply));
}

InstanceServer::ListenResult InstanceServer::listen(const QString& socketPath) {
    if (socketPath.isEmpty()) {
        m_errorString = u"there is no private folder for the control socket"_s;
        return ListenResult::failed;
    }
    // Held for the instance's life, whatever becomes of the socket: two starts
    // at the same moment, or a second start where the socket can't be made,
    // find it taken.
    switch (m_lock.tryLock(socketPath + u".lock"_s)) {
    case SingleInstanceLock::Result::heldElsewhere:
        return ListenResult::alreadyRunning;
    case SingleInstanceLock::Result::unavailable:
        m_errorString = m_lock.errorString();
        return ListenResult::failed;
    case SingleInstanceLock::Result::acquired:
        break;
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
        const auto peer = peerUserID(socket->socketDescriptor());
        if (peer != uint(::geteuid())) {
            qCWarning(lcApp).noquote()
                << u"Quillbox: dropped a command-line connection from user %1"_s.arg(
                       peer ? QString::number(*peer) : u"unknown"_s);
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        // The socket's own, stopped once the request is read and gone with the
        // socket: a timer left running would wake the program long after the
        // command was answered.
        auto* requestDeadline = new QTimer(socket);
        requestDeadline->setObjectName(requestDeadlineName);
        requestDeadline->setSingleShot(true);
        connect(requestDeadline, &QTimer::timeout, socket, &QLocalSocket::abort);
        requestDeadline->start(requestTimeout);
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
    delete socket->findChild<QTimer*>(requestDeadlineName, Qt::FindDirectChildrenOnly);
    const QByteArray line = socket->readLine(maxRequestSize + 1);
    auto* exchange = new Exchange(socket);

    QJsonParseError parseError;
    const auto document = QJsonDocument::fromJson(line, &parseError);
    std::optional<Command> command;
    if (document.isObject())
        command = Command::fromJson(document.object());
    if (!command) {
        qCWarning(lcApp) << "Quillbox: ignored a malformed command-line request";
        exchange->finish(CommandResult::failure(u"malformed request"_s, ExitCode::usage));
        return;
    }
    if (auto error = validateCommand(*command)) {
        exchange->finish(CommandResult::failure(*error, ExitCode::usage));
        return;
    }
    exchange->start();
    QPointer<Exchange> guarded(exchange);
    auto channel = std::make_shared<CommandReply::Channel>();
    channel->finish = [guarded](const CommandResult& result) {
        if (guarded)
            guarded->finish(result);
    };
    channel->progress = [guarded](const QString& line) {
        if (guarded)
            guarded->send(QJsonObject{{u"progress"_s, line}});
    };
    channel->write = [guarded](const QByteArray& bytes) {
        if (guarded)
            guarded->sendData(bytes);
    };
    // A client that has gone never drains: the waiting step is dropped.
    channel->whenDrained = [guarded](std::function<void()> next) {
        if (guarded)
            guarded->whenDrained(std::move(next));
    };
    if (!m_isAnswering) {
        m_heldRequests.emplace_back(*command, CommandReply(channel));
        return;
    }
    m_handler(*command, CommandReply(channel));
}

} // namespace quillbox
