#include "FakeFrontmostApplicationSource.h"
#include "LogCapture.h"
#include "PrivateBus.h"
#include "StandInPortal.h"
#include "X11TestEnvironment.h"
#include "content/AppConstants.h"
#include "content/Preferences.h"
#include "linux/desktop/PortalKeystrokeSender.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quillbox;
using namespace quillbox::testing;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

using Keys = QList<std::pair<int, uint>>;
// Ctrl 29, Shift 42, Alt 56, V 47; 1 pressed, 0 released.
const Keys ctrlV{{29, 1}, {47, 1}, {47, 0}, {29, 0}};
const Keys ctrlShiftV{{29, 1}, {42, 1}, {47, 1}, {47, 0}, {42, 0}, {29, 0}};
const Keys ctrlAltV{{29, 1}, {56, 1}, {47, 1}, {47, 0}, {56, 0}, {29, 0}};

RunningApplication application(const QString& identifier) {
    return {identifier, identifier, std::nullopt};
}

class PortalKeystrokeTest : public ::testing::Test {
protected:
    PrivateBus bus;
    const QString clientName = bus.connect(u"quillbox-keys-client"_s);
    const std::unique_ptr<StandInPortal> portal =
        std::make_unique<StandInPortal>(bus.connect(u"quillbox-keys-portal"_s));
    QTemporaryDir settingsDir;
    FakeFrontmostApplicationSource frontmost;
    QList<bool> outcomes;

    void SetUp() override { ASSERT_FALSE(clientName.isEmpty()); }

    QString settingsFile() const { return settingsDir.filePath(QStringLiteral("Quillbox.conf")); }
    std::unique_ptr<PortalKeystrokeSender> makeSender() {
        return std::make_unique<PortalKeystrokeSender>(&frontmost, settingsFile(), clientName);
    }
    QString storedToken() const {
        return Preferences(settingsFile())
            .value(AppConstants::Keys::remoteDesktopRestoreToken)
            .toString();
    }
    void paste(PortalKeystrokeSender& sender) {
        sender.sendPasteKeystroke([this](bool sent) { outcomes.append(sent); });
    }
    bool waitForOutcomes(qsizetype count) {
        return waitUntil([&] { return outcomes.size() >= count; }, 10s);
    }
};

TEST_F(PortalKeystrokeTest, AsksForTheKeyboardOnceAndReusesTheRestoreTokenNextRun) {
    ASSERT_TRUE(portal->serve());
    {
        auto sender = makeSender();
        // Two pastes asked for while the session starts share one sequence.
        paste(*sender);
        paste(*sender);
        ASSERT_TRUE(waitForOutcomes(2));
        EXPECT_EQ(outcomes, (QList<bool>{true, true}));
        EXPECT_EQ(portal->members().mid(0, 4),
                  (QStringList{u"Register"_s, u"CreateSession"_s, u"SelectDevices"_s, u"Start"_s}));
        const QVariantMap options = portal->callsTo(u"SelectDevices"_s).first().options;
        EXPECT_EQ(options.value(u"types"_s).toUInt(), 1u);        // the keyboard
        EXPECT_EQ(options.value(u"persist_mode"_s).toUInt(), 2u); // until revoked
        EXPECT_FALSE(options.contains(u"restore_token"_s));
        EXPECT_EQ(
            portal->callsTo(u"Start"_s).first().arguments.value(0).value<QDBusObjectPath>().path(),
            portal->lastSession());
        EXPECT_EQ(portal->keys(), ctrlV);
        EXPECT_EQ(storedToken(), QStringLiteral("restore-1"));

        // The session serves the next paste without asking again.
        paste(*sender);
        ASSERT_TRUE(waitForOutcomes(3));
        EXPECT_EQ(portal->callsTo(u"Start"_s).size(), 1);
        EXPECT_EQ(portal->keys(), ctrlV + ctrlV);

        // The desktop ends the session: the next paste starts one with the token.
        portal->closeSession(portal->lastSession());
        serveFor(100ms);
        paste(*sender);
        ASSERT_TRUE(waitForOutcomes(4));
        EXPECT_TRUE(outcomes.last());
        EXPECT_EQ(portal->callsTo(u"SelectDevices"_s).last().options.value(u"restore_token"_s),
                  QStringLiteral("restore-1"));
        EXPECT_EQ(storedToken(), QStringLiteral("restore-2"));
    }
    // Quitting closes the session; the next run's session brings the token.
    ASSERT_TRUE(waitUntil([&] { return !portal->callsTo(u"Close"_s).isEmpty(); }));
    auto secondRun = makeSender();
    paste(*secondRun);
    ASSERT_TRUE(waitForOutcomes(5));
    EXPECT_TRUE(outcomes.last());
    EXPECT_EQ(portal->callsTo(u"SelectDevices"_s).last().options.value(u"restore_token"_s),
              QStringLiteral("restore-2"));
    EXPECT_EQ(storedToken(), QStringLiteral("restore-3"));
}

// The keys follow the application the paste goes to: the one in front when
// the panel opened, not Quillbox itself.
struct Target {
    const char* name;
    const char* remembered; // in front when the panel opened; null: nothing known
    Keys keys;              // none: no key pastes there
};

class PasteKeysByApplication : public PortalKeystrokeTest,
                               public ::testing::WithParamInterface<Target> {};

TEST_P(PasteKeysByApplication, AreSentAsEvdevKeyCodes) {
    const Target& row = GetParam();
    ASSERT_TRUE(portal->serve());
    auto sender = makeSender();
    if (row.remembered)
        frontmost.setFrontmost(application(QString::fromLatin1(row.remembered)));
    sender->rememberTargetWindow();
    frontmost.setFrontmost(application(AppConstants::applicationID));
    sender->rememberTargetWindow();
    paste(*sender);
    ASSERT_TRUE(waitForOutcomes(1));
    EXPECT_EQ(outcomes.first(), !row.keys.isEmpty());
    EXPECT_EQ(portal->keys(), row.keys);
}

INSTANTIATE_TEST_SUITE_P(
    , PasteKeysByApplication,
    ::testing::Values(Target{"text_editor", "org.gnome.TextEditor", ctrlV},
                      Target{"nothing_known", nullptr, ctrlV},
                      Target{"konsole", "org.kde.konsole", ctrlShiftV},
                      Target{"gnome_terminal", "org.gnome.Terminal", ctrlShiftV},
                      Target{"foot", "foot", ctrlShiftV}, Target{"urxvt", "urxvt", ctrlAltV},
                      Target{"xterm", "debian-xterm", {}}),
    [](const auto& info) { return std::string(info.param.name); });

// Without the portal, or when the desktop says no, pasting only copies: each
// paste reports it, one line tells why, and the portal is not asked again.
struct Refusal {
    const char* name;
    bool portalOnTheBus;
    bool hasRemoteDesktop;
    const char* method;
    uint response;
    bool lendsKeyboard;
    const char* reason;
};

class PasteKeysRefused : public PortalKeystrokeTest,
                         public ::testing::WithParamInterface<Refusal> {};

TEST_P(PasteKeysRefused, ReportsEveryPasteAsNotSent) {
    const Refusal& row = GetParam();
    portal->hasRemoteDesktop = row.hasRemoteDesktop;
    portal->lendsKeyboard = row.lendsKeyboard;
    if (row.method)
        portal->responses.insert(QString::fromLatin1(row.method), row.response);
    if (row.portalOnTheBus) {
        ASSERT_TRUE(portal->serve());
    }
    LogCapture log;
    auto sender = makeSender();
    // A refused session may still be closed after the answer; asking again
    // is anything else.
    const auto requests = [this] {
        qsizetype count = 0;
        for (const auto& call : portal->calls())
            count += call.member != QStringLiteral("Close");
        return count;
    };
    paste(*sender);
    ASSERT_TRUE(waitForOutcomes(1));
    const qsizetype callsAfterFirst = requests();
    paste(*sender);
    ASSERT_TRUE(waitForOutcomes(2));
    serveFor(100ms);

    EXPECT_EQ(outcomes, (QList<bool>{false, false}));
    EXPECT_FALSE(sender->isAvailable());
    EXPECT_TRUE(portal->keys().isEmpty());
    EXPECT_EQ(requests(), callsAfterFirst);
    EXPECT_TRUE(storedToken().isEmpty());
    const QStringList lines = log.lines().filter(QStringLiteral("paste keys:"));
    ASSERT_EQ(lines.size(), 1) << log.lines().join(u'\n').toStdString();
    EXPECT_TRUE(lines.first().contains(QString::fromLatin1(row.reason)))
        << lines.first().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    , PasteKeysRefused,
    ::testing::Values(
        Refusal{"no_portal", false, true, nullptr, 0, true, "offers no RemoteDesktop portal"},
        Refusal{"no_remote_desktop", true, false, nullptr, 0, true,
                "offers no RemoteDesktop portal"},
        Refusal{"session_refused", true, true, "CreateSession", 2, true,
                "refused to create a session (response 2)"},
        Refusal{"user_declined", true, true, "Start", 1, true, "keyboard was not granted"},
        Refusal{"no_keyboard_lent", true, true, nullptr, 0, false, "keyboard was not granted"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
