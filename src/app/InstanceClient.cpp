#include "app/InstanceClient.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QLocalSocket>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {
constexpr int connectTimeoutMs = 1000;
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

std::optional<CommandResult>
InstanceClient::send(const Command& command,
                     std::optional<std::chrono::milliseconds> timeout) const {
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(connectTimeoutMs))
        return std::nullopt;

    socket.write(QJsonDocument(command.toJson()).toJson(QJsonDocument::Compact) + '\n');
    QDeadlineTimer deadline = timeout ? QDeadlineTimer(*timeout) : QDeadlineTimer::Forever;
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return CommandResult::failure(
            u"could not send the command to Quillbox: %1"_s.arg(socket.errorString()));

    QByteArray answer;
    while (!answer.endsWith('\n')) {
        if (socket.bytesAvailable() == 0) {
            if (socket.state() != QLocalSocket::ConnectedState)
                break;
            if (deadline.hasExpired())
                return CommandResult::failure(u"Quillbox did not answer in time"_s);
            socket.waitForReadyRead(int(deadline.remainingTime()));
            continue;
        }
        answer += socket.readAll();
    }
    const auto document = QJsonDocument::fromJson(answer);
    if (document.isObject()) {
        if (auto result = CommandResult::fromJson(document.object()))
            return result;
    }
    return CommandResult::failure(u"Quillbox closed the connection without an answer"_s);
}

} // namespace quillbox
