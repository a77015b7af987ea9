#include "QuillboxSession.h"

#include "X11TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace quillbox::testing {

QuillboxSession::QuillboxSession()
    : QuillboxSession(X11TestEnvironment::session().environment()) {
}

QuillboxSession::QuillboxSession(const QProcessEnvironment& display)
    : m_environment(display) {
    const QString root = m_directory.path();
    for (const auto* folder : {"home", "data/applications", "config", "runtime"})
        QDir().mkpath(root + u'/' + QString::fromLatin1(folder));
    QFile::setPermissions(root + u"/runtime"_s,
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_environment.insert(u"HOME"_s, root + u"/home"_s);
    m_environment.insert(u"XDG_DATA_HOME"_s, root + u"/data"_s);
    m_environment.insert(u"XDG_CONFIG_HOME"_s, root + u"/config"_s);
    m_environment.insert(u"XDG_RUNTIME_DIR"_s, root + u"/runtime"_s);
    // The application sets these itself, restarting once, as for a user.
    m_environment.remove(u"OMP_THREAD_LIMIT"_s);
    m_environment.remove(u"GLIBC_TUNABLES"_s);
    // No desktop portal: the colour picker uses Quillbox's own overlay, and
    // no D-Bus daemon is started on the test's behalf.
    m_environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path=/nonexistent/quillbox-e2e"_s);

    writeFile(root + u"/data/applications/"_s + editorID + u".desktop"_s,
              "[Desktop Entry]\nType=Application\nName=E2E Editor\nExec=e2e-editor\n"
              "StartupWMClass=E2EEditor\n");
}

QuillboxSession::~QuillboxSession() {
    m_clipboardOwners.clear();
    if (m_application && m_application->isRunning()) {
        run({u"quit"_s}, 5s);
        m_application->waitFinished(5s);
    }
}

bool QuillboxSession::start() {
    // Through the shell so the log goes to a file, not a pipe nobody reads;
    // exec keeps the process id, by which the test ends it.
    m_application = std::make_unique<ChildProcess>(
        u"/bin/sh"_s,
        QStringList{u"-c"_s, u"exec \"$0\" >>\"$1\" 2>&1"_s, QStringLiteral(QUILLBOX_BINARY),
                    m_directory.path() + u"/quillbox.log"_s},
        m_environment);
    if (!m_application->waitStarted())
        return false;
    // As a script would: until `status` succeeds, which it does only once the
    // instance runs and has read the clipboard it found at launch.
    return waitUntil(
               [&] { return !m_application->isRunning() || run({u"status"_s}, 5s).exitCode == 0; },
               10s) &&
           m_application->isRunning();
}

RunResult QuillboxSession::run(const QStringList& arguments, std::chrono::milliseconds timeout) {
    return runCommand(QStringLiteral(QUILLBOX_BINARY), arguments, timeout, m_environment);
}

bool QuillboxSession::activateEditorWindow() {
    m_editorWindow =
        openActiveWindow(QStringLiteral(QUILLBOX_TEST_WINDOW), {u"e2e-editor"_s, u"E2EEditor"_s});
    return m_editorWindow != nullptr;
}

QString QuillboxSession::activeWindowName() const {
    return QString::fromUtf8(xdotool({u"getactivewindow"_s, u"getwindowname"_s}, m_environment)
                                 .standardOutput.trimmed());
}

ChildProcess& QuillboxSession::copy(const QByteArray& data, const QString& target) {
    QStringList arguments{u"-selection"_s, u"clipboard"_s, u"-quiet"_s};
    if (!target.isEmpty())
        arguments << u"-t"_s << target;
    auto owner = std::make_unique<ChildProcess>(u"xclip"_s, arguments, m_environment);
    owner->waitStarted();
    owner->writeAndClose(data);
    m_clipboardOwners.push_back(std::move(owner));
    return *m_clipboardOwners.back();
}

std::optional<QByteArray> QuillboxSession::paste(const QString& target) {
    QStringList arguments{u"-o"_s, u"-selection"_s, u"clipboard"_s};
    if (!target.isEmpty())
        arguments << u"-t"_s << target;
    const RunResult result =
        runCommand(u"xclip"_s, arguments, std::chrono::seconds(5), m_environment);
    if (result.exitCode != 0 || result.timedOut)
        return std::nullopt;
    return result.standardOutput;
}

QJsonArray QuillboxSession::items() {
    const auto result = run({u"list"_s, u"--json"_s});
    return QJsonDocument::fromJson(result.standardOutput).array();
}

bool QuillboxSession::waitForItemCount(qsizetype count, std::chrono::milliseconds timeout) {
    return waitUntil([&] { return items().size() == count; }, timeout);
}

} // namespace quillbox::testing
