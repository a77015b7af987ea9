#pragma once

#include "XvfbSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <functional>

namespace quillbox::testing {

// What the X11 tests share: the display their program started.
class X11TestEnvironment {
public:
    static void setSession(XvfbSession* session) { s_session = session; }
    static XvfbSession& session() { return *s_session; }

private:
    inline static XvfbSession* s_session = nullptr;
};

// Serves the event loop until the condition holds or the timeout passes.
inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeout.count())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Another client's view of the clipboard: xclip -o for a target, run
// without blocking our event loop (we may be the owner it asks).
inline QByteArray readClipboardWithXclip(const QString& target) {
    ChildProcess xclip(QStringLiteral("xclip"),
                       {QStringLiteral("-o"), QStringLiteral("-selection"),
                        QStringLiteral("clipboard"), QStringLiteral("-t"), target},
                       X11TestEnvironment::session().environment());
    QByteArray output;
    if (!xclip.waitStarted())
        return output;
    waitUntil([&] {
        output += xclip.readAllStandardOutput();
        return !xclip.isRunning();
    });
    return output + xclip.readAllStandardOutput();
}

} // namespace quillbox::testing
