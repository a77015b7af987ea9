#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>

namespace quillbox::testing {

// A process a test started and must end: terminated, then killed, by its own
// process id when the object goes away. Tests never end processes by name,
// since other sessions share the machine.
class ChildProcess {
public:
    ChildProcess(const QString& program, const QStringList& arguments,
                 const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool waitStarted(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    bool waitFinished(std::chrono::milliseconds timeout);
    void writeAndClose(const QByteArray& input);
    void stop();

    bool isRunning() const { return m_process->state() != QProcess::NotRunning; }
    qint64 pid() const { return m_process->processId(); }
    int exitCode() const { return m_process->exitCode(); }
    QByteArray readAllStandardOutput() { return m_process->readAllStandardOutput(); }
    QByteArray readAllStandardError() { return m_process->readAllStandardError(); }
    QProcess& process() { return *m_process; }

private:
    std::unique_ptr<QProcess> m_process;
};

struct RunResult {
    int exitCode = -1;
    bool timedOut = false;
    QByteArray standardOutput;
    QByteArray standardError;
};

// Runs a command to its end (or kills it at the timeout) and returns its output.
RunResult
runCommand(const QString& program, const QStringList& arguments,
           std::chrono::milliseconds timeout = std::chrono::seconds(20),
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
           const QByteArray& input = {});

} // namespace quillbox::testing
