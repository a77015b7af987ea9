#pragma once

#include "ChildProcess.h"

#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>
#include <chrono>
#include <memory>

namespace quillbox::testing {

// A private Wayland compositor for one test program: headless sway, run as an
// unprivileged user (sway refuses root) with a runtime folder of its own, so
// its socket name is free by construction. Clients (this process included)
// reach it through the socket's full path in WAYLAND_DISPLAY. Sway is ended
// by its process id when the session goes away.
class SwaySession {
public:
    SwaySession();
    ~SwaySession();
    SwaySession(const SwaySession&) = delete;
    SwaySession& operator=(const SwaySession&) = delete;

    // Without XWayland: the tests want a pure Wayland seat.
    bool start();
    // Starts the compositor and points this process's toolkit and its own
    // Wayland clients at it (before the application object exists); on
    // failure says so on stderr.
    bool startForThisProcess();

    // The system environment of a Wayland client of this session: no DISPLAY,
    // WAYLAND_DISPLAY set, Qt on its Wayland platform, a runtime folder of the
    // client's own.
    QProcessEnvironment environment() const;
    // What sway logged so far (for diagnostics).
    QByteArray log();
    // swaymsg on this session (runs as the sway user, as sway checks the peer).
    RunResult swaymsg(const QStringList& arguments) const;

private:
    QTemporaryDir m_runtime;       // sway's XDG_RUNTIME_DIR, handed to the sway user
    QTemporaryDir m_clientRuntime; // the clients' own XDG_RUNTIME_DIR
    QString m_waylandDisplay;
    QString m_ipcSocket;
    std::unique_ptr<ChildProcess> m_sway;
};

} // namespace quillbox::testing
