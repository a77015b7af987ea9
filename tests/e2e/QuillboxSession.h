#pragma once

#include "ChildProcess.h"
#include "TestContent.h"

#include <QJsonArray>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <memory>
#include <optional>

namespace quillbox::testing {

// The built quillbox program on the test's display, with a home, data,
// configuration and runtime folder of its own, so it never meets the user's
// history or another test's instance. A window of a known application (with a
// desktop entry in the private data folder) is made active, so copies have a
// source.
class QuillboxSession {
public:
    static inline const QString editorID = QStringLiteral("org.example.E2EEditor");
    static inline const QString editorName = QStringLiteral("E2E Editor");

    // On the test program's X display.
    QuillboxSession();
    // In another session: the environment of its clients (a Wayland
    // compositor's, say), to which the session adds its own folders.
    explicit QuillboxSession(const QProcessEnvironment& display);
    ~QuillboxSession();

    QProcessEnvironment environment() const { return m_environment; }
    // Before start(): a variable of the application's and its commands' environment.
    void setEnvironmentValue(const QString& name, const QString& value) {
        m_environment.insert(name, value);
    }
    // The application's preferences file.
    QString preferencesFile() const {
        return m_directory.path() + QStringLiteral("/config/Quillbox/Quillbox.conf");
    }

    // Starts the application and waits until it answers.
    bool start();
    ChildProcess* application() { return m_application.get(); }
    RunResult run(const QStringList& arguments,
                  std::chrono::milliseconds timeout = std::chrono::seconds(20));

    // Opens the known application's window and makes it the active one.
    bool activateEditorWindow();
    // The name of the window the window manager has made active.
    QString activeWindowName() const;

    // Puts data on the clipboard with xclip, which owns it until it is
    // stopped or the session goes.
    ChildProcess& copy(const QByteArray& data, const QString& target = {});
    // What another program pastes: xclip's output for the target, or none
    // when nobody owns the clipboard or it does not offer the target.
    std::optional<QByteArray> paste(const QString& target = {});

    // What the application logged so far.
    QByteArray log() const {
        return readFile(m_directory.path() + QStringLiteral("/quillbox.log"));
    }

    // `quillbox list --json`, newest first.
    QJsonArray items();
    // Waits until the history holds the given number of items.
    bool waitForItemCount(qsizetype count,
                          std::chrono::milliseconds timeout = std::chrono::seconds(8));

private:
    QTemporaryDir m_directory;
    QProcessEnvironment m_environment;
    std::unique_ptr<ChildProcess> m_application;
    std::unique_ptr<ChildProcess> m_editorWindow;
    std::vector<std::unique_ptr<ChildProcess>> m_clipboardOwners;
};

} // namespace quillbox::testing
