#include "ChildProcess.h"
#include "GnomeShellSession.h"
#include "PrivateBus.h"
#include "ShellDriver.h"
#include "Waiting.h"
#include "content/PasteboardTypes.h"
#include "linux/gnome/GnomeFrontmostApplicationSource.h"
#include "linux/gnome/GnomeHotkeyBackend.h"
#include "linux/gnome/GnomeKeystrokeSender.h"
#include "linux/gnome/GnomePasteboard.h"
#include "linux/gnome/GnomeShellConnection.h"

#include <QBuffer>
#include <QDBusUnixFileDescriptor>
#include <QElapsedTimer>
#include <QImage>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

extern quillbox::testing::GnomeShellSession* gnomeShell;

using namespace quillbox;
using namespace quillbox::testing;
using namespace std::chrono_literals;

namespace {

// Quillbox as it runs: its link to the Shell and the pasteboard on it. The
// Shell shares a loaded machine here: its first bytes get more time than a
// desktop's application would.
struct Quillbox {
    std::shared_ptr<GnomeShellConnection> connection = std::make_shared<GnomeShellConnection>();
    GnomePasteboard pasteboard{connection, GnomeReadLimits{5s, 30s, qsizetype(256) << 20}};

    Quillbox() {
        waitUntil([&] { return connection->isAvailable(); }, 5s);
    }

    // The contents of every change recorded so far, as texts.
    QList<std::shared_ptr<const Pasteboard>> changes(std::size_t atLeast) {
        QList<std::shared_ptr<const Pasteboard>> taken;
        waitUntil(
            [&] {
                taken += pasteboard.takePendingChanges();
                return std::size_t(taken.size()) >= atLeast;
            },
            10s);
        return taken;
    }
};

// The rig itself: the Shell runs with the extension loaded, which answers
// the probe; a bus without the Shell answers nothing, and promptly.
TEST(GnomeShellTest, ProbeFindsTheExtensionOnlyWhereItRuns) {
    EXPECT_EQ(GnomeShellConnection::probe(), std::optional<QString>(QStringLiteral("43.9")));

    PrivateBus elsewhere;
    const QByteArray own = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", elsewhere.address().toUtf8());
    const auto none = GnomeShellConnection::probe(500ms);
    qputenv("DBUS_SESSION_BUS_ADDRESS", own);
    EXPECT_FALSE(none);
}

// Text and an image copied by an application are read, each once, in order.
TEST(GnomeShellTest, CopiesOfTextAndImageAreRead) {
    Quillbox quillbox;
    ASSERT_TRUE(quillbox.connection->isAvailable());
    quillbox.changes(0);

    QImage image(4, 3, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    image.save(&buffer, "PNG");
    ASSERT_TRUE(applicationCopies(QStringLiteral("text/plain;charset=utf-8"), "héllo from an app"));
    auto changes = quillbox.changes(1);
    ASSERT_TRUE(applicationCopies(QStringLiteral("image/png"), png));
    changes += quillbox.changes(1);
    ASSERT_EQ(changes.size(), 2) << gnomeShell->scriptErrors().toStdString();
    EXPECT_EQ(changes.at(0)->string(PasteboardType::string), QStringLiteral("héllo from an app"));
    EXPECT_EQ(changes.at(1)->data(PasteboardType::png), png);
    EXPECT_EQ(quillbox.pasteboard.data(PasteboardType::png), png);
}

// A copy a password manager marked is never read: Quillbox asks for nothing,
// and the extension refuses whoever asks.
TEST(GnomeShellTest, ConcealedCopyIsNeverTransferred) {
    Quillbox quillbox;
    quillbox.changes(0);
    ASSERT_TRUE(applicationCopies(QStringLiteral("x-kde-passwordManagerHint"), "secret"));
    const auto changes = quillbox.changes(1);
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes.at(0)->types().value_or(QStringList()),
              QStringList{PasteboardType::concealed});
    EXPECT_FALSE(changes.at(0)->data(PasteboardType::concealed));

    const auto selection = quillboxExtension(QStringLiteral("GetSelection"));
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    const auto refused = quillboxExtension(QStringLiteral("Transfer"),
                                           {selection.arguments().value(0),
                                            QStringLiteral("x-kde-passwordManagerHint"),
                                            QVariant::fromValue(QDBusUnixFileDescriptor(fds[1]))});
    ::close(fds[1]);
    EXPECT_EQ(refused.errorName(), QStringLiteral("io.github.quillbox.Shell1.Error.Concealed"));
    char byte = 0;
    EXPECT_EQ(::read(fds[0], &byte, 1), 0); // closed without a byte
    ::close(fds[0]);
}

// Quillbox's write becomes the clipboard other applications paste from, and
// is not read back as a copy of its own.
TEST(GnomeShellTest, WriteBecomesTheClipboard) {
    Quillbox quillbox;
    quillbox.changes(0);
    PasteboardItem item;
    item.setString(QStringLiteral("from the history"), PasteboardType::string);
    item.setString(QStringLiteral("<b>from the history</b>"), PasteboardType::html);
    ASSERT_TRUE(quillbox.pasteboard.write({item}));

    EXPECT_TRUE(waitUntil([] { return !offeredTypes().isEmpty(); }, 5s));
    EXPECT_EQ(offeredTypes().value(0), QStringLiteral("text/plain;charset=utf-8"));
    EXPECT_EQ(applicationPastes(QStringLiteral("text/plain;charset=utf-8")), "from the history");
    serveFor(300ms);
    const auto changes = quillbox.pasteboard.takePendingChanges();
    ASSERT_EQ(changes.size(), 1); // the write itself, nothing read back
    EXPECT_EQ(changes.at(0)->string(PasteboardType::string), QStringLiteral("from the history"));
}

// The owner quitting empties the clipboard: Quillbox hears it.
TEST(GnomeShellTest, OwnerQuittingIsReported) {
    Quillbox quillbox;
    ASSERT_TRUE(applicationCopies(QStringLiteral("text/plain;charset=utf-8"), "short-lived"));
    quillbox.changes(1);
    bool vanished = false;
    quillbox.pasteboard.onOwnerVanished = [&] { vanished = true; };
    driver(QStringLiteral("ClearClipboard"));
    EXPECT_TRUE(waitUntil([&] { return vanished; }, 5s));
    // (The Shell may then put back a text the owner held, as a new owner of
    // its own: that is a copy like any other.)
}

// Quillbox restarting while the Shell runs: what was copied meanwhile is
// the first thing the new instance reads, and copies after it are seen.
TEST(GnomeShellTest, RestartedQuillboxReconnectsAndLosesNothing) {
    {
        Quillbox first;
        ASSERT_TRUE(applicationCopies(QStringLiteral("text/plain;charset=utf-8"), "before"));
        first.changes(1);
    }
    ASSERT_TRUE(applicationCopies(QStringLiteral("text/plain;charset=utf-8"), "while away"));

    Quillbox second;
    bool initialRead = false;
    second.pasteboard.whenInitialContentsRead([&] { initialRead = true; });
    ASSERT_TRUE(waitUntil([&] { return initialRead; }, 10s));
    EXPECT_EQ(second.pasteboard.string(PasteboardType::string), QStringLiteral("while away"));

    ASSERT_TRUE(applicationCopies(QStringLiteral("text/plain;charset=utf-8"), "after"));
    const auto changes = second.changes(1);
    ASSERT_FALSE(changes.isEmpty());
    EXPECT_EQ(changes.last()->string(PasteboardType::string), QStringLiteral("after"));
}

// The Shell's side restarting (the extension disabled and enabled again, as
// a screen lock or an update of it does): Quillbox knows it is away, then
// follows it again, reads what was copied meanwhile as the current contents
// and sees the copies after it.
TEST(GnomeShellTest, ExtensionRestartedInTheShellIsFollowedAgain) {
    Quillbox quillbox;
    ASSERT_TRUE(applicationCopies(QStringLiteral("text/plain;charset=utf-8"), "before"));
    quillbox.changes(1);
    const auto extensions = [](const char* method) {
        return shellCall(QStringLiteral("/org/gnome/Shell"),
                         QStringLiteral("org.gnome.Shell.Extensions"), QString::fromLatin1(method),
                         {QString::fromLatin1(GnomeShellConnection::extensionUuid)});
    };
    const auto answers = [] {
        return quillboxExtension(QStringLiteral("Ping")).type() == QDBusMessage::ReplyMessage;
    };
    ASSERT_TRUE(extensions("DisableExtension").arguments().value(0).toBool());
    ASSERT_TRUE(waitUntil([&] { return !answers(); }, 5s));
    EXPECT_TRUE(waitUntil([&] { return !quillbox.connection->isAvailable(); }, 5s));
    ASSERT_TRUE(applicationCopies(QStringLiteral("text/plain;charset=utf-8"), "while away"));
    ASSERT_TRUE(extensions("EnableExtension").arguments().value(0).toBool());
    ASSERT_TRUE(waitUntil(answers, 5s));
    EXPECT_TRUE(waitUntil([&] { return quillbox.connection->isAvailable(); }, 5s));

    EXPECT_TRUE(waitUntil(
        [&] {
            return quillbox.pasteboard.string(PasteboardType::string) ==
                   QStringLiteral("while away");
        },
        10s))
        << gnomeShell->scriptErrors().toStdString();
    ASSERT_TRUE(applicationCopies(QStringLiteral("text/plain;charset=utf-8"), "after"));
    const auto changes = quillbox.changes(1);
    ASSERT_FALSE(changes.isEmpty());
    EXPECT_EQ(changes.last()->string(PasteboardType::string), QStringLiteral("after"));
    bool sent = false;
    quillbox.connection->sendKeys({QStringLiteral("Shift_L")}, [&](bool ok) { sent = ok; });
    EXPECT_TRUE(waitUntil([&] { return sent; }, 5s));
}

// The program itself in the session: it chooses the extension, names it,
// and reads the clipboard through it.
TEST(GnomeShellTest, ProgramReadsTheClipboardThroughTheExtension) {
    ASSERT_TRUE(
        applicationCopies(QStringLiteral("text/plain;charset=utf-8"), "seen by the program"));
    QProcessEnvironment env = gnomeShell->environment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const RunResult result = runCommand(QStringLiteral(QUILLBOX_BINARY),
                                        {QStringLiteral("inspect-clipboard")}, 30s, env);
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    EXPECT_TRUE(result.standardOutput.contains("GNOME Shell 43.9"))
        << result.standardOutput.toStdString();
    EXPECT_TRUE(result.standardOutput.contains("seen by the program"))
        << result.standardOutput.toStdString();
}

// A GNOME session without the extension (and without X11): the program says
// what is missing and how to enable it, and does not start.
TEST(GnomeShellTest, ProgramWithoutTheExtensionSaysHowToEnableIt) {
    PrivateBus withoutShell;
    QProcessEnvironment env = gnomeShell->environment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), withoutShell.address());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const RunResult result = runCommand(QStringLiteral(QUILLBOX_BINARY), {}, 30s, env);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(
        result.standardError.contains("gnome-extensions enable quillbox@quillbox.github.io"))
        << result.standardError.toStdString();
}

// The Shell binds Quillbox's shortcuts from the extension's settings: keys
// typed on the Shell's own keyboard reach them, each reported by the id
// Quillbox registered; an action the extension has no key for is refused.
TEST(GnomeShellTest, ShortcutsTypedOnTheShellsKeyboardArePressed) {
    auto connection = std::make_shared<GnomeShellConnection>();
    ASSERT_TRUE(waitUntil([&] { return connection->isAvailable(); }, 5s));
    GnomeHotkeyBackend hotkeys(connection);
    QList<std::uint32_t> pressed;
    hotkeys.setPressHandler([&](std::uint32_t id) { pressed.append(id); });
    const std::uint32_t superShift = HotkeyModifier::super | HotkeyModifier::shift;
    EXPECT_EQ(
        hotkeys.registerAction(1, 'v', superShift, {QStringLiteral("toggle-panel"), {}}).status, 0);
    EXPECT_EQ(hotkeys.registerAction(2, 'n', superShift, {QStringLiteral("paste-next"), {}}).status,
              0);
    EXPECT_NE(hotkeys.registerAction(3, 'x', superShift, {QStringLiteral("unknown"), {}}).status,
              0);

    // A keyboard the Shell has just set up may miss the first keys: typed
    // again until they arrive.
    bool sent = false;
    QElapsedTimer sinceSent;
    ASSERT_TRUE(waitUntil(
        [&] {
            if (!sinceSent.isValid() || sinceSent.elapsed() > 1000) {
                connection->sendKeys(
                    {QStringLiteral("Super_L"), QStringLiteral("Shift_L"), QStringLiteral("n")},
                    [&](bool ok) { sent = ok; });
                sinceSent.start();
            }
            return !pressed.isEmpty();
        },
        10s));
    EXPECT_TRUE(sent);
    EXPECT_EQ(pressed.count(2u), pressed.size()); // only paste-next, never another

    bool refused = true;
    connection->sendKeys({QStringLiteral("NoSuchKey")}, [&](bool ok) { refused = !ok; });
    EXPECT_TRUE(waitUntil([&] { return refused; }, 5s));
}

// The paste keys an application gets, by its id as the Shell names it.
TEST(GnomeShellTest, PasteKeysFollowTheApplication) {
    const struct {
        const char* appId;
        QStringList keys;
    } cases[] = {
        {"org.gnome.TextEditor", {QStringLiteral("Control_L"), QStringLiteral("v")}},
        {"org.gnome.Terminal",
         {QStringLiteral("Control_L"), QStringLiteral("Shift_L"), QStringLiteral("V")}},
        {"xterm", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GnomeKeystrokeSender::pasteKeyNames(QString::fromLatin1(c.appId)), c.keys)
            << c.appId;
}

// A native Wayland application in front: a copy made there is named after
// it, and Quillbox's paste lands in its text field through the Shell's keys.
TEST(GnomeShellTest, CopyIsNamedAfterTheFocusedApplicationAndPasteLandsThere) {
    Quillbox quillbox;
    quillbox.changes(0);
    QProcessEnvironment env = gnomeShell->environment();
    ChildProcess target(QStringLiteral(QUILLBOX_PASTE_TARGET), {}, env);
    QByteArray output;
    ASSERT_TRUE(waitUntil(
        [&] {
            output += target.readAllStandardOutput();
            return output.contains("ready");
        },
        15s));
    const QString appId = QStringLiteral("quillbox_paste_target");
    ASSERT_TRUE(waitUntil([&] { return quillbox.connection->focusedApplication() == appId; }, 10s))
        << quillbox.connection->focusedApplication().toStdString();

    ASSERT_TRUE(applicationCopies(QStringLiteral("text/plain;charset=utf-8"), "copied in front"));
    quillbox.changes(1);
    GnomeFrontmostApplicationSource frontmost(quillbox.connection);
    const auto app = frontmost.frontmostApplication();
    ASSERT_TRUE(app);
    EXPECT_EQ(app->identifier, appId);

    PasteboardItem item;
    item.setString(QStringLiteral("pasted by Quillbox"), PasteboardType::string);
    ASSERT_TRUE(quillbox.pasteboard.write({item}));
    GnomeKeystrokeSender sender(quillbox.connection);
    sender.rememberTargetWindow();
    bool sent = false;
    sender.sendPasteKeystroke([&](bool ok) { sent = ok; });
    EXPECT_TRUE(waitUntil(
        [&] {
            output += target.readAllStandardOutput();
            return output.contains("text pasted%20by%20Quillbox");
        },
        10s))
        << output.toStdString();
    EXPECT_TRUE(sent);
}

} // namespace
