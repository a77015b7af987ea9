#include "GnomeShellSession.h"

#include "TestContent.h"
#include "Waiting.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace quillbox::testing {

namespace {
// The unprivileged user the Shell runs as: nobody.
constexpr uid_t shellUser = 65534;
constexpr gid_t shellGroup = 65534;
constexpr auto startTimeout = std::chrono::seconds(60);
const QString waylandName = QStringLiteral("quillbox-gnome-0");

// A bus that both the Shell's user and this process (root) may use.
QByteArray busConfig(const QString& type, const QString& directory) {
    return "<busconfig><type>" + type.toUtf8() + "</type><listen>unix:dir=" + directory.toUtf8() +
           "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow user=\"*\"/>"
           "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow receive_sender=\"*\"/>"
           "<allow own=\"*\"/></policy></busconfig>\n";
}

bool chownTree(const QString& path) {
    if (::chown(QFile::encodeName(path).constData(), shellUser, shellGroup) != 0)
        return false;
    if (!QFileInfo(path).isDir())
        return true;
    const auto entries =
        QDir(path).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo& entry : entries) {
        if (!chownTree(entry.filePath()))
            return false;
    }
    return true;
}

bool copyTree(const QString& from, const QString& to) {
    if (!QDir().mkpath(to))
        return false;
    const auto entries = QDir(from).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isDir() ? !copyTree(entry.filePath(), target)
                          : !QFile::copy(entry.filePath(), target))
            return false;
    }
    return true;
}
} // namespace

GnomeShellSession::GnomeShellSession()
    : m_root(QDir::tempPath() + QStringLiteral("/quillbox-gnome-XXXXXX"))
    , m_clientRuntime(QDir::tempPath() + QStringLiteral("/quillbox-gnclient-XXXXXX")) {
}

GnomeShellSession::~GnomeShellSession() {
    // The Shell first, while its buses still answer, then the buses.
    m_shell.reset();
    m_sessionBus.reset();
    m_systemBus.reset();
}

bool GnomeShellSession::startBus(std::unique_ptr<ChildProcess>& daemon, QString& address,
                                 const QString& type) {
    const QString directory = m_root.filePath(type + QStringLiteral("-bus"));
    if (!QDir().mkpath(directory) || ::chmod(QFile::encodeName(directory).constData(), 0755) != 0)
        return false;
    const QString config = directory + QStringLiteral(".conf");
    writeFile(config, busConfig(type, directory));
    daemon = std::make_unique<ChildProcess>(QStringLiteral("dbus-daemon"),
                                            QStringList{QStringLiteral("--config-file"), config,
                                                        QStringLiteral("--nofork"),
                                                        QStringLiteral("--print-address")});
    waitUntil(
        [&] {
            address += QString::fromUtf8(daemon->readAllStandardOutput());
            return address.contains(u'\n') || !daemon->isRunning();
        },
        std::chrono::seconds(10));
    address = address.trimmed();
    return !address.isEmpty();
}

bool GnomeShellSession::installExtensions(const QStringList& extensionFolders) {
    const QString extensions =
        m_root.filePath(QStringLiteral("home/.local/share/gnome-shell/extensions"));
    QStringList uuids;
    for (const QString& folder : extensionFolders) {
        const QString uuid = QFileInfo(folder).fileName();
        if (!copyTree(folder, extensions + QLatin1Char('/') + uuid))
            return false;
        uuids.append(QLatin1Char('\'') + uuid + QLatin1Char('\''));
    }
    // The keyfile settings backend: no dconf service is needed on the private
    // bus, and the test may change a key by rewriting the file.
    const QString settings = m_root.filePath(QStringLiteral("home/.config/glib-2.0/settings"));
    QDir().mkpath(settings);
    writeFile(settings + QStringLiteral("/keyfile"),
              "[org/gnome/shell]\nenabled-extensions=[" +
                  uuids.join(QStringLiteral(", ")).toUtf8() +
                  "]\ndisable-user-extensions=false\ndisable-extension-version-validation=true\n"
                  "welcome-dialog-last-shown-version='999'\n");
    return chownTree(m_root.filePath(QStringLiteral("home")));
}

bool GnomeShellSession::start(const QStringList& extensionFolders) {
    if (!m_root.isValid() || !m_clientRuntime.isValid())
        return false;
    ::chmod(QFile::encodeName(m_root.path()).constData(), 0755);
    ::chmod(QFile::encodeName(m_clientRuntime.path()).constData(), 0700);
    const QString runtime = m_root.filePath(QStringLiteral("runtime"));
    if (!QDir().mkpath(runtime) || ::chmod(QFile::encodeName(runtime).constData(), 0700) != 0 ||
        !chownTree(runtime))
        return false;
    if (!installExtensions(extensionFolders))
        return false;
    if (!startBus(m_systemBus, m_systemBusAddress, QStringLiteral("system")) ||
        !startBus(m_sessionBus, m_sessionBusAddress, QStringLiteral("session"))) {
        std::fprintf(stderr, "could not start the private buses\n");
        return false;
    }

    auto env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"})
        env.remove(QString::fromLatin1(name));
    const QString home = m_root.filePath(QStringLiteral("home"));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("keyfile"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_sessionBusAddress);
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_systemBusAddress);
    env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("GNOME"));
    env.insert(QStringLiteral("GNOME_SHELL_SLOWDOWN_FACTOR"), QStringLiteral("0.01"));
    m_shell = std::make_unique<ChildProcess>(
        QStringLiteral("setpriv"),
        QStringList{QStringLiteral("--reuid=%1").arg(shellUser),
                    QStringLiteral("--regid=%1").arg(shellGroup), QStringLiteral("--clear-groups"),
                    QStringLiteral("gnome-shell"), QStringLiteral("--headless"),
                    QStringLiteral("--wayland"), QStringLiteral("--no-x11"),
                    QStringLiteral("--virtual-monitor"), QStringLiteral("1280x800"),
                    QStringLiteral("--wayland-display"), waylandName,
                    QStringLiteral("--sm-disable")},
        env);
    if (!m_shell->waitStarted())
        return false;
    m_waylandDisplay = runtime + QLatin1Char('/') + waylandName;

    // Ready once the Shell answers on the bus, has loaded the extensions and
    // has finished starting up.
    auto bus =
        QDBusConnection::connectToBus(m_sessionBusAddress, QStringLiteral("gnome-session-probe"));
    const bool ready = waitUntil(
        [&] {
            log();
            if (!m_shell->isRunning())
                return true;
            auto call = QDBusMessage::createMethodCall(
                QStringLiteral("org.gnome.Shell"), QStringLiteral("/org/gnome/Shell"),
                QStringLiteral("org.gnome.Shell.Extensions"), QStringLiteral("ListExtensions"));
            const auto reply = bus.call(call, QDBus::Block, 1000);
            if (reply.type() != QDBusMessage::ReplyMessage)
                return false;
            // Until the Shell says it has started, it takes no shortcuts.
            return QFile::exists(m_waylandDisplay) && m_log.contains("GNOME Shell started at");
        },
        startTimeout);
    QDBusConnection::disconnectFromBus(QStringLiteral("gnome-session-probe"));
    if (ready && m_shell->isRunning())
        return true;
    std::fprintf(stderr, "GNOME Shell not ready (%s):\n%s\n",
                 m_shell->isRunning() ? "running" : "exited", log().constData());
    m_shell.reset();
    return false;
}

bool GnomeShellSession::startForThisProcess(const QStringList& extensionFolders) {
    if (!start(extensionFolders)) {
        std::fprintf(stderr, "could not start headless GNOME Shell\n");
        return false;
    }
    const QProcessEnvironment env = environment();
    for (const char* name : {"WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "QT_QPA_PLATFORM",
                             "DBUS_SESSION_BUS_ADDRESS", "XDG_CURRENT_DESKTOP", "XDG_SESSION_TYPE"})
        qputenv(name, env.value(QString::fromLatin1(name)).toLocal8Bit());
    qunsetenv("DISPLAY");
    return true;
}

QProcessEnvironment GnomeShellSession::environment() const {
    auto env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), m_waylandDisplay);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_clientRuntime.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_sessionBusAddress);
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_systemBusAddress);
    env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("GNOME"));
    env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    return env;
}

QByteArray GnomeShellSession::log() {
    if (m_shell)
        m_log += m_shell->readAllStandardError() + m_shell->readAllStandardOutput();
    return m_log;
}

QByteArray GnomeShellSession::scriptErrors() {
    QByteArray result;
    const QList<QByteArray> lines = log().split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].contains("JS ERROR") || lines[i].contains("quillbox")) {
            result += lines[i] + '\n' + lines.value(i + 1) + '\n';
        }
    }
    return result;
}

} // namespace quillbox::testing
