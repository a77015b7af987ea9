#include "app/InstanceClient.h"

#include "app/InstanceServer.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {
constexpr int connectTimeoutMs = 1000;
// One message line of the answer; streamed output comes in far smaller pieces.
constexpr qsizetype maxMessageSize = 64 * 1024 * 1024;
} // namespace

InstanceClient::InstanceClient(QString socketPath)
    : m_socketPath(std::move(socketPath)) {
}

bool InstanceClient::isInstanceRunning() const {
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    const bool connected = socket.waitForConnected(connectTimeoutMs);
    socket.abort();
    return connected;
}

std::optional<CommandResult> InstanceClient::send(const Command& command,
                                                  std::optional<std::chrono::milliseconds> timeout,
                                                  const Progress& progress,
                                                  const Output& output) const {
    if (m_socketPath.isEmpty())
        return std::nullopt;
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(connectTimeoutMs))
        return std::nullopt;
    // Whoever listens here must be this user: another could have bound the
    // name first, to read our commands and answer them falsely.
    const auto peer = InstanceServer::peerUserID(socket.socketDescriptor());
    if (peer != uint(::geteuid())) {
        socket.abort();
        return CommandResult::failure(
            u"The socket at %1 belongs to another user; nothing was sent."_s.arg(m_socketPath));
    }

    const auto deadline = [&timeout] {
        return timeout ? QDeadlineTimer(*timeout) : QDeadlineTimer(QDeadlineTimer::Forever);
    };
    QDeadlineTimer silence = deadline();
    socket.write(QJsonDocument(command.toJson()).toJson(QJsonDocument::Compact) + '\n');
    if (!socket.waitForBytesWritten(int(silence.remainingTime())))
        return CommandResult::failure(
            u"could not send the command to Quillbox: %1"_s.arg(socket.errorString()));

    QByteArray streamed;
    while (true) {
        if (!socket.canReadLine()) {
            if (socket.bytesAvailable() > maxMessageSize)
                break;
            if (socket.state() != QLocalSocket::ConnectedState)
                break;
            if (silence.hasExpired())
                return CommandResult::failure(u"Quillbox did not answer in time"_s);
            socket.waitForReadyRead(int(silence.remainingTime()));
            continue;
        }
        silence = deadline();
        const auto message = QJsonDocument::fromJson(socket.readLine()).object();
        if (message.contains(u"alive"_s))
            continue;
        if (const auto line = message.value(u"progress"_s); line.isString()) {
            if (progress)
                progress(line.toString());
            continue;
        }
        if (const auto size = message.value(u"dataBytes"_s); size.isDouble()) {
            const qint64 count = qint64(size.toDouble());
            if (count < 0 || count > maxMessageSize)
                break;
            while (socket.bytesAvailable() < count &&
                   socket.state() == QLocalSocket::ConnectedState && !silence.hasExpired())
                socket.waitForReadyRead(int(silence.remainingTime()));
            if (socket.bytesAvailable() < count)
                break;
            const QByteArray bytes = socket.read(count);
            if (output)
                output(bytes);
            else
                streamed += bytes;
            continue;
        }
        auto result = CommandResult::fromJson(message);
        if (!result)
            break;
        if (!streamed.isEmpty())
            result->output.prepend(QString::fromUtf8(streamed));
        return result;
    }
    return CommandResult::failure(u"Quillbox closed the connection without an answer"_s);
}

} // namespace quillbox
