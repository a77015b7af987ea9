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
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

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

TEST_F(InstanceServerTest, ASecondInstanceFindsTheFirstWhichRefusesBadRequests) {
    int handled = 0;
    InstanceServer server([&](const Command&, auto reply) {
        ++handled;
        reply(CommandResult::success());
    });
    ASSERT_EQ(server.listen(path()), InstanceServer::ListenResult::listening);
    InstanceServer second([](const Command&, auto) {});
    EXPECT_EQ(second.listen(path()), InstanceServer::ListenResult::alreadyRunning);
    // Only the user may connect.
    EXPECT_FALSE(QFileInfo(path()).permissions() &
                 (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther));
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

TEST_F(InstanceServerTest, ALongCommandKeepsTheClientWaitingAndReportsProgress) {
    QStringList received;
    InstanceServer server([&](const Command& command, CommandReply reply) {
        received.append(command.name + u' ' + command.arguments.join(u' '));
        reply.progress(u"halfway"_s);
        reply.write(QByteArray("streamed\nbytes "));
        // Longer than the client waits for a silent instance.
        QTimer::singleShot(3500, [reply] { reply(CommandResult{4, u"done\n"_s, u"err"_s}); });
    });
    ASSERT_EQ(server.listen(path()), InstanceServer::ListenResult::listening);
    QStringList progress;
    const auto answer = whileServing([&] {
        return InstanceClient(path()).send(Command{u"delete"_s, {u"abcd1234"_s}, {}}, 2s,
                                           [&](const QString& line) { progress.append(line); });
    });
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->exitCode, 4);
    EXPECT_EQ(answer->output, u"streamed\nbytes done\n"_s);
    EXPECT_EQ(answer->error, u"err"_s);
    EXPECT_EQ(progress, QStringList{u"halfway"_s});
    EXPECT_EQ(received, QStringList{u"delete abcd1234"_s});
}

TEST_F(InstanceServerTest, RequestsWaitUntilTheInstanceStartsAnswering) {
    QStringList handled;
    InstanceServer server([&](const Command& command, auto reply) {
        handled.append(command.name);
        reply(CommandResult::success());
    });
    server.setAnswering(false); // as while the clipboard at launch is still being read
    ASSERT_EQ(server.listen(path()), InstanceServer::ListenResult::listening);
    QTimer::singleShot(500ms, [&] {
        EXPECT_TRUE(handled.isEmpty());
        server.setAnswering(true);
    });
    const auto result = whileServing([&] {
        return InstanceClient(path()).send(Command{u"status"_s, {}, {}}, 5s);
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(result->exitCode, 0);
    EXPECT_EQ(handled, QStringList{u"status"_s});
}

TEST_F(InstanceServerTest, TheSingleInstanceGuardHoldsWhenTheSocketCannotBeMade) {
    const QString tooLong = directory.filePath(QString(120, u'x'));
    const QString occupied = directory.filePath(u"occupied.socket"_s);
    ASSERT_TRUE(QDir().mkpath(occupied + u"/inside"_s));
    for (const QString& socketPath : {tooLong, occupied}) {
        SCOPED_TRACE(socketPath.toStdString());
        InstanceServer first([](const Command&, auto) {});
        EXPECT_EQ(first.listen(socketPath), InstanceServer::ListenResult::failed);
        InstanceServer second([](const Command&, auto) {});
        EXPECT_EQ(second.listen(socketPath), InstanceServer::ListenResult::alreadyRunning);
    }
}

TEST_F(InstanceServerTest, WithoutXdgRuntimeDirTheSocketLivesInAPrivateCheckedFolder) {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray tmp = qgetenv("TMPDIR");
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(directory.path()));
    const QString folder = directory.filePath(u"quillbox-%1"_s.arg(getuid()));
    const QByteArray folderName = QFile::encodeName(folder);

    const QString socketPath = InstanceServer::defaultSocketPath();
    EXPECT_TRUE(socketPath.startsWith(folder + u'/')) << socketPath.toStdString();
    struct stat info {};
    ASSERT_EQ(::stat(folderName.constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(info.st_uid, getuid());

    // Made by someone else first, or opened up to others: not used.
    ::chmod(folderName.constData(), 0777);
    EXPECT_TRUE(InstanceServer::defaultSocketPath().isEmpty());
    ::chmod(folderName.constData(), 0700);
    ASSERT_EQ(::chown(folderName.constData(), 65534, 65534), 0);
    EXPECT_TRUE(InstanceServer::defaultSocketPath().isEmpty());
    InstanceServer server([](const Command&, auto) {});
    EXPECT_NE(server.listen(InstanceServer::defaultSocketPath()),
              InstanceServer::ListenResult::listening);

    qputenv("XDG_RUNTIME_DIR", runtime);
    qputenv("TMPDIR", tmp);
}

// Runs `work` in a child process with another user's id; returns its exit status.
template <typename Work> pid_t forkAsOtherUser(Work work) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(90);
        ::_exit(work());
    }
    return child;
}

// A Unix socket connected to `path`, or bound there and listening; -1 on failure.
int unixSocket(const QByteArray& path, bool listening) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.constData(), sizeof(address.sun_path) - 1);
    const auto* name = reinterpret_cast<sockaddr*>(&address);
    const bool ok = listening ? ::bind(fd, name, sizeof(address)) == 0 && ::listen(fd, 1) == 0
                              : ::connect(fd, name, sizeof(address)) == 0;
    return ok ? fd : -1;
}

TEST_F(InstanceServerTest, PeersOfAnotherUserAreDroppedOnBothEnds) {
    // A folder everyone may enter, so that the other user reaches the socket.
    ::chmod(QFile::encodeName(directory.path()).constData(), 0777);
    int handled = 0;
    InstanceServer server([&](const Command&, auto reply) {
        ++handled;
        reply(CommandResult::success(u"secret\n"_s));
    });
    ASSERT_EQ(server.listen(path()), InstanceServer::ListenResult::listening);
    ::chmod(QFile::encodeName(path()).constData(), 0777);
    const QByteArray socketName = QFile::encodeName(path());
    const pid_t intruder = forkAsOtherUser([&socketName] {
        const int fd = unixSocket(socketName, false);
        if (fd < 0)
            return 2;
        const char request[] = "{\"command\":\"list\",\"arguments\":[],\"options\":{}}\n";
        if (::write(fd, request, sizeof(request) - 1) < 0)
            return 3;
        char answer[256];
        // Dropped: the connection ends without an answer.
        return ::read(fd, answer, sizeof(answer)) > 0 ? 1 : 0;
    });
    int status = -1;
    testing::waitUntil([&] { return ::waitpid(intruder, &status, WNOHANG) == intruder; }, 10s);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(handled, 0);

    // Someone else listening where the client expects Quillbox gets no request
    // and its answer is not believed.
    const QString forgedPath = directory.filePath(u"forged.socket"_s);
    const QByteArray forgedName = QFile::encodeName(forgedPath);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t forger = forkAsOtherUser([&] {
        const int fd = unixSocket(forgedName, true);
        if (fd < 0)
            return 2;
        ::chmod(forgedName.constData(), 0777);
        if (::write(ready[1], "r", 1) != 1)
            return 3;
        const int client = ::accept(fd, nullptr, nullptr);
        const char answer[] = "{\"exitCode\":0,\"output\":\"forged\\n\",\"error\":\"\"}\n";
        if (::write(client, answer, sizeof(answer) - 1) < 0)
            return 4;
        ::sleep(2);
        return 0;
    });
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    const auto answer = InstanceClient(forgedPath).send(Command{u"list"_s, {}, {}}, 5s);
    ASSERT_TRUE(answer);
    EXPECT_NE(answer->output, u"forged\n"_s);
    EXPECT_TRUE(answer->error.contains(u"another user"_s)) << answer->error.toStdString();
    ::kill(forger, SIGKILL);
    ::waitpid(forger, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
}

} // namespace
} // namespace quillbox
