// The per-user socket: one instance per path, and requests and answers
// between a client thread and the serving event loop. (A socket left by a
// killed instance is covered end to end.)
#include "app/InstanceClient.h"
#include "app/InstanceServer.h"
#include "support/X11TestEnvironment.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <future>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace quillbox {
namespace {

// Runs work on another thread while this one serves the event loop.
template <typename Work> auto whileServing(Work work) {
    auto future = std::async(std::launch::async, work);
    testing::waitUntil([&] { return future.wait_for(0s) == std::future_status::ready; }, 10s);
    return future.get();
}

class InstanceServerTest : public ::testing::Test {
public:
    QString path() const { return directory.filePath(u"quillbox.socket"_s); }
    QTemporaryDir directory;
};

TEST_F(InstanceServerTest, ASecondInstanceFindsTheFirst) {
    InstanceServer first([](const Command&, auto reply) { reply(CommandResult::success()); });
    ASSERT_EQ(first.listen(path()), InstanceServer::ListenResult::listening);
    InstanceServer second([](const Command&, auto) {});
    EXPECT_EQ(second.listen(path()), InstanceServer::ListenResult::alreadyRunning);
    // Only the user may connect.
    const auto permissions = QFileInfo(path()).permissions();
    EXPECT_FALSE(permissions &
                 (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther));
}

TEST_F(InstanceServerTest, CommandsTravelBothWaysAndAnswersMayComeLater) {
    QStringList received;
    InstanceServer server([&](const Command& command, auto reply) {
        received.append(command.name + u' ' + command.arguments.join(u' '));
        // Answers later, from the event loop, as the colour picker does.
        QTimer::singleShot(50, [reply] { reply(CommandResult{4, u"out\n"_s, u"err"_s}); });
    });
    ASSERT_EQ(server.listen(path()), InstanceServer::ListenResult::listening);
    const auto answer = whileServing([&] {
        return InstanceClient(path()).send(Command{u"delete"_s, {u"abcd1234"_s}, {}}, 5s);
    });
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->exitCode, 4);
    EXPECT_EQ(answer->output, u"out\n"_s);
    EXPECT_EQ(answer->error, u"err"_s);
    EXPECT_EQ(received, QStringList{u"delete abcd1234"_s});
}

TEST_F(InstanceServerTest, MalformedAndInvalidRequestsAreRefusedWithoutRunningAnything) {
    int handled = 0;
    InstanceServer server([&](const Command&, auto reply) {
        ++handled;
        reply(CommandResult::success());
    });
    ASSERT_EQ(server.listen(path()), InstanceServer::ListenResult::listening);
    for (const QByteArray& request :
         {QByteArray("garbage\n"),
          QByteArray("{\"command\":\"quit\",\"arguments\":[\"x\"],\"options\":{}}\n"),
          QByteArray("{\"command\":\"shell\",\"arguments\":[],\"options\":{}}\n")}) {
        const QByteArray answer = whileServing([&] {
            QLocalSocket socket;
            socket.connectToServer(path());
            socket.waitForConnected(2000);
            socket.write(request);
            socket.waitForBytesWritten(2000);
            QByteArray reply;
            while (!reply.endsWith('\n') && socket.waitForReadyRead(2000))
                reply += socket.readAll();
            return reply;
        });
        const auto object = QJsonDocument::fromJson(answer).object();
        EXPECT_EQ(object.value(u"exitCode"_s).toInt(), ExitCode::usage) << request.constData();
    }
    EXPECT_EQ(handled, 0);
}

TEST_F(InstanceServerTest, WithoutAnInstanceTheClientSaysSo) {
    EXPECT_FALSE(InstanceClient(path()).send(Command{u"status"_s, {}, {}}, 1s));
}

} // namespace
} // namespace quillbox
