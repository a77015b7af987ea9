// Entry point of the tests that run against a real GNOME Shell: starts a
// private headless Shell with Quillbox's extension and the test driver, and
// points this process's session bus at it.
#include "GnomeShellSession.h"
#include "Waiting.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QGuiApplication>
#include <cstdio>
#include <gtest/gtest.h>

quillbox::testing::GnomeShellSession* gnomeShell = nullptr;

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The windows are not under test: no Wayland connection of our own. The
    // application comes first, as the session's start serves its events.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    quillbox::testing::GnomeShellSession session;
    if (!session.startForThisProcess({QStringLiteral(QUILLBOX_GNOME_EXTENSION),
                                      QStringLiteral(QUILLBOX_GNOME_TEST_EXTENSION)}))
        return 1;
    gnomeShell = &session;
    // The test driver says when the desktop is up as a user finds it.
    const bool ready = quillbox::testing::waitUntil(
        [] {
            const auto reply = QDBusConnection::sessionBus().call(
                QDBusMessage::createMethodCall(QStringLiteral("org.gnome.Shell"),
                                               QStringLiteral("/io/github/quillbox/ShellTest"),
                                               QStringLiteral("io.github.quillbox.ShellTest"),
                                               QStringLiteral("Ready")),
                QDBus::Block, 2000);
            return reply.arguments().value(0).toBool();
        },
        std::chrono::seconds(30));
    if (!ready) {
        std::fprintf(stderr, "GNOME Shell did not leave its start-up:\n%s\n",
                     session.scriptErrors().constData());
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return RUN_ALL_TESTS();
}
