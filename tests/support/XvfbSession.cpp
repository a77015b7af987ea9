#include "XvfbSession.h"

#include <QElapsedTimer>
#include <QThread>
#include <cstdio>
#include <unistd.h>

namespace quillbox::testing {

namespace {
constexpr int windowManagerAttempts = 3;
constexpr qint64 windowManagerTimeoutMs = 10000;
} // namespace

bool XvfbSession::start(bool withWindowManager) {
    int fds[2];
    if (::pipe(fds) != 0)
        return false;
    // Xvfb writes the display number it chose to the inherited descriptor.
    m_xvfb = std::make_unique<ChildProcess>(
        QStringLiteral("/bin/sh"),
        QStringList{QStringLiteral("-c"),
                    QStringLiteral("exec Xvfb -displayfd %1 -screen 0 1280x800x24 -nolisten tcp "
                                   "+extension XFIXES +extension XTEST +extension XInputExtension")
                        .arg(fds[1])});
    ::close(fds[1]);
    QByteArray number;
    QElapsedTimer timer;
    timer.start();
    char c = 0;
    while (timer.elapsed() < 10000 && ::read(fds[0], &c, 1) == 1) {
        if (c == '\n')
            break;
        number.append(c);
    }
    ::close(fds[0]);
    if (number.isEmpty()) {
        m_xvfb.reset();
        return false;
    }
    m_display = QLatin1Char(':') + QString::fromLatin1(number);

    if (withWindowManager) {
        // openbox is ready once it has announced itself on the root window.
        // Now and then, on a loaded machine, it starts but never claims the
        // screen; a fresh start then does.
        for (int attempt = 1; attempt <= windowManagerAttempts; ++attempt) {
            if (startWindowManager())
                return true;
        }
        return false;
    }
    return true;
}

bool XvfbSession::startWindowManager() {
    m_windowManager =
        std::make_unique<ChildProcess>(QStringLiteral("openbox"), QStringList{}, environment());
    QElapsedTimer timer;
    timer.start();
    RunResult result;
    while (timer.elapsed() < windowManagerTimeoutMs) {
        result = runCommand(QStringLiteral("xprop"),
                            {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")},
                            std::chrono::seconds(5), environment());
        if (result.exitCode == 0 && result.standardOutput.contains("window id"))
            return true;
        QThread::msleep(50);
    }
    std::fprintf(stderr, "openbox on %s not ready after %lld ms (%s); xprop: %d%s %s %s\n",
                 qPrintable(m_display), static_cast<long long>(timer.elapsed()),
                 m_windowManager->isRunning() ? "running" : "exited", result.exitCode,
                 result.timedOut ? " timed out" : "", result.standardOutput.constData(),
                 result.standardError.constData());
    m_windowManager.reset(); // ended by its process id
    return false;
}

QProcessEnvironment XvfbSession::environment() const {
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return env;
}

bool XvfbSession::startForThisProcess(bool withWindowManager) {
    if (!start(withWindowManager)) {
        std::fprintf(stderr, "could not start Xvfb%s\n", withWindowManager ? " with openbox" : "");
        return false;
    }
    qputenv("DISPLAY", m_display.toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("WAYLAND_DISPLAY");
    return true;
}

} // namespace quillbox::testing
