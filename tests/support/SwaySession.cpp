#include "SwaySession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <cstdio>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace quillbox::testing {

namespace {
// The unprivileged user sway runs as: nobody.
constexpr uid_t swayUser = 65534;
constexpr gid_t swayGroup = 65534;
constexpr qint64 startTimeoutMs = 15000;

bool acceptsConnections(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    sockaddr_un address{};
    if (bytes.size() >= qsizetype(sizeof(address.sun_path)))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    address.sun_family = AF_UNIX;
    std::copy(bytes.begin(), bytes.end(), address.sun_path);
    const bool connected =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return connected;
}

QString firstEntry(const QString& directory, const QString& pattern) {
    const QStringList entries =
        QDir(directory).entryList({pattern}, QDir::System | QDir::Files, QDir::Name);
    for (const QString& entry : entries) {
        if (!entry.endsWith(QLatin1String(".lock")))
            return directory + QLatin1Char('/') + entry;
    }
    return {};
}
} // namespace

SwaySession::SwaySession()
    : m_runtime(QDir::tempPath() + QStringLiteral("/quillbox-sway-XXXXXX"))
    , m_clientRuntime(QDir::tempPath() + QStringLiteral("/quillbox-wlclient-XXXXXX")) {
}

SwaySession::~SwaySession() {
    m_sway.reset(); // ended by its process id before its folder goes
}

bool SwaySession::start() {
    if (!m_runtime.isValid() || !m_clientRuntime.isValid())
        return false;
    const QByteArray runtime = QFile::encodeName(m_runtime.path());
    if (::chown(runtime.constData(), swayUser, swayGroup) != 0 ||
        ::chmod(runtime.constData(), 0700) != 0)
        return false;
    ::chmod(QFile::encodeName(m_clientRuntime.path()).constData(), 0700);

    const QString configPath = m_runtime.path() + QStringLiteral("/config");
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly))
        return false;
    config.write("xwayland disable\n");
    config.close();
    config.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                          QFileDevice::ReadOther | QFileDevice::ReadGroup);

    auto env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    env.insert(QStringLiteral("HOME"), m_runtime.path());
    env.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    env.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    env.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    m_sway = std::make_unique<ChildProcess>(
        QStringLiteral("setpriv"),
        QStringList{QStringLiteral("--reuid=%1").arg(swayUser),
                    QStringLiteral("--regid=%1").arg(swayGroup), QStringLiteral("--clear-groups"),
                    QStringLiteral("sway"), QStringLiteral("-c"), configPath},
        env);
    if (!m_sway->waitStarted())
        return false;

    // Sway names its socket itself (the first free wayland-N in its folder);
    // it is ready once that socket accepts connections.
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < startTimeoutMs && m_sway->isRunning()) {
        const QString socket = firstEntry(m_runtime.path(), QStringLiteral("wayland-*"));
        if (!socket.isEmpty() && acceptsConnections(socket)) {
            m_waylandDisplay = socket;
            m_ipcSocket = firstEntry(m_runtime.path(), QStringLiteral("sway-ipc.*.sock"));
            return true;
        }
        QThread::msleep(20);
    }
    std::fprintf(stderr, "sway not ready after %lld ms (%s):\n%s\n",
                 static_cast<long long>(timer.elapsed()),
                 m_sway->isRunning() ? "running" : "exited", log().constData());
    m_sway.reset();
    return false;
}

bool SwaySession::startForThisProcess() {
    if (!start()) {
        std::fprintf(stderr, "could not start headless sway\n");
        return false;
    }
    const QProcessEnvironment env = environment();
    for (const char* name : {"WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "QT_QPA_PLATFORM"})
        qputenv(name, env.value(QString::fromLatin1(name)).toLocal8Bit());
    qunsetenv("DISPLAY");
    return true;
}

QProcessEnvironment SwaySession::environment() const {
    auto env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), m_waylandDisplay);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_clientRuntime.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    return env;
}

QByteArray SwaySession::log() {
    if (!m_sway)
        return {};
    return m_sway->readAllStandardError() + m_sway->readAllStandardOutput();
}

RunResult SwaySession::swaymsg(const QStringList& arguments) const {
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SWAYSOCK"), m_ipcSocket);
    QStringList command{QStringLiteral("--reuid=%1").arg(swayUser),
                        QStringLiteral("--regid=%1").arg(swayGroup),
                        QStringLiteral("--clear-groups"), QStringLiteral("swaymsg")};
    command += arguments;
    return runCommand(QStringLiteral("setpriv"), command, std::chrono::seconds(10), env);
}

} // namespace quillbox::testing
