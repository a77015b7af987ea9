#pragma once

#include "Waiting.h"
#include "XvfbSession.h"

#include <chrono>
#include <memory>

namespace quillbox::testing {

// What the X11 tests share: the display their program started.
class X11TestEnvironment {
public:
    static void setSession(XvfbSession* session) { s_session = session; }
    static XvfbSession& session() { return *s_session; }

private:
    inline static XvfbSession* s_session = nullptr;
};

// xdotool on the test display.
inline RunResult
xdotool(const QStringList& arguments,
        const QProcessEnvironment& environment = X11TestEnvironment::session().environment()) {
    return runCommand(QStringLiteral("xdotool"), arguments, std::chrono::seconds(10), environment);
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

// Makes the window active through the window manager and waits until it stays
// so: openbox, just after its start, now and then hands the focus elsewhere
// once more, and the request is then made again.
inline bool activateWindow(const QString& windowID, const QProcessEnvironment& environment) {
    using namespace std::chrono_literals;
    const auto isActive = [&] {
        return runCommand(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")}, 5s,
                          environment)
                   .standardOutput.trimmed() == windowID.toLatin1();
    };
    for (int attempt = 0; attempt < 5; ++attempt) {
        runCommand(QStringLiteral("xdotool"),
                   {QStringLiteral("windowactivate"), QStringLiteral("--sync"), windowID}, 10s,
                   environment);
        if (waitUntil(isActive, 1s) && !waitUntil([&] { return !isActive(); }, 300ms))
            return true;
    }
    return false;
}

// Starts a program that prints its window's id on its first line of output
// (the test window program) and makes that window the active one.
inline std::unique_ptr<ChildProcess> openActiveWindow(const QString& program,
                                                      const QStringList& arguments,
                                                      QString* windowID = nullptr) {
    auto window = std::make_unique<ChildProcess>(program, arguments,
                                                 X11TestEnvironment::session().environment());
    QByteArray output;
    if (window->waitStarted())
        waitUntil([&] { return (output += window->readAllStandardOutput()).contains('\n'); });
    const QString id = QString::fromLatin1(output.trimmed());
    if (windowID)
        *windowID = id;
    if (id.isEmpty() || !activateWindow(id, X11TestEnvironment::session().environment()))
        return nullptr;
    return window;
}

} // namespace quillbox::testing
