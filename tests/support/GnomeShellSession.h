#pragma once

#include "ChildProcess.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace quillbox::testing {

// A private headless GNOME Shell (Wayland only, one virtual monitor) for one
// test program. It runs as an unprivileged user with a runtime folder, a home
// and settings of its own, on a session bus and a system bus that this class
// starts (the Shell needs a system bus even where it finds no login manager),
// with the given extensions installed in that user's data folder and enabled.
// Every process it started is ended by its process id when it goes away.
class GnomeShellSession {
public:
    GnomeShellSession();
    ~GnomeShellSession();
    GnomeShellSession(const GnomeShellSession&) = delete;
    GnomeShellSession& operator=(const GnomeShellSession&) = delete;

    // `extensionFolders` are folders named by each extension's uuid; all of
    // them are enabled. Answers once the Shell has come up with them loaded.
    bool start(const QStringList& extensionFolders);
    // Starts it, then points this process's session bus, toolkit and Wayland
    // clients at it (before the application object exists); on failure says
    // so on stderr.
    bool startForThisProcess(const QStringList& extensionFolders);

    QString waylandDisplay() const { return m_waylandDisplay; }
    QString sessionBusAddress() const { return m_sessionBusAddress; }
    // The environment of a client in this session: its buses, its Wayland
    // display, a GNOME desktop, Qt on Wayland, a runtime folder of its own.
    QProcessEnvironment environment() const;
    // What the Shell logged so far (for diagnostics).
    QByteArray log();
    // Its lines that report script errors or name Quillbox.
    QByteArray scriptErrors();
    bool isRunning() const { return m_shell && m_shell->isRunning(); }

private:
    bool startBus(std::unique_ptr<ChildProcess>& daemon, QString& address, const QString& type);
    bool installExtensions(const QStringList& extensionFolders);

    QTemporaryDir m_root;          // the Shell user's runtime folder and home
    QTemporaryDir m_clientRuntime; // the clients' own XDG_RUNTIME_DIR
    std::unique_ptr<ChildProcess> m_systemBus;
    std::unique_ptr<ChildProcess> m_sessionBus;
    std::unique_ptr<ChildProcess> m_shell;
    QString m_systemBusAddress;
    QString m_sessionBusAddress;
    QString m_waylandDisplay;
    QByteArray m_log;
};

} // namespace quillbox::testing
