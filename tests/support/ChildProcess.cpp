#include "ChildProcess.h"

namespace quillbox::testing {

ChildProcess::ChildProcess(const QString& program, const QStringList& arguments,
                           const QProcessEnvironment& environment)
    : m_process(std::make_unique<QProcess>()) {
    m_process->setProcessEnvironment(environment);
    m_process->setProgram(program);
    m_process->setArguments(arguments);
    m_process->start();
}

ChildProcess::~ChildProcess() {
    stop();
}

bool ChildProcess::waitStarted(std::chrono::milliseconds timeout) {
    return m_process->waitForStarted(static_cast<int>(timeout.count()));
}

bool ChildProcess::waitFinished(std::chrono::milliseconds timeout) {
    return !isRunning() || m_process->waitForFinished(static_cast<int>(timeout.count()));
}

void ChildProcess::writeAndClose(const QByteArray& input) {
    m_process->write(input);
    m_process->closeWriteChannel();
}

void ChildProcess::stop() {
    if (!isRunning())
        return;
    m_process->terminate(); // SIGTERM to this process id only
    if (!m_process->waitForFinished(2000)) {
        m_process->kill();
        m_process->waitForFinished(2000);
    }
}

RunResult runCommand(const QString& program, const QStringList& arguments,
                     std::chrono::milliseconds timeout, const QProcessEnvironment& environment,
                     const QByteArray& input) {
    ChildProcess child(program, arguments, environment);
    RunResult result;
    if (!child.waitStarted())
        return result;
    child.writeAndClose(input);
    if (!child.waitFinished(timeout)) {
        result.timedOut = true;
        child.stop();
    }
    result.exitCode = child.exitCode();
    result.standardOutput = child.readAllStandardOutput();
    result.standardError = child.readAllStandardError();
    return result;
}

} // namespace quillbox::testing
