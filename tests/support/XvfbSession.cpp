#include "XvfbSession.h"

#include <QElapsedTimer>
#include <QThread>
#include <cstdio>
#include <unistd.h>

namespace quillbox::testing {

XvfbSession::XvfbSession() = default;

XvfbSession::~XvfbSession() {
    m_windowManager.reset();
    m_xvfb.reset();
}

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
        m_windowManager =
            std::make_unique<ChildProcess>(QStringLiteral("openbox"), QStringList{}, environment());
        // openbox is ready once it has announced itself on the root window.
        RunResult result;
        while (timer.elapsed() < 10000) {
            result =
                runCommand(QStringLiteral("xprop"),
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
        return false;
    }
    return true;
}

QProcessEnvironment XvfbSession::environment() const {
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return env;
}

} // namespace quillbox::testing
