// The clipboard monitor against a fake clipboard, a fake active window and a
// real store in memory.
#include "FakeFrontmostApplicationSource.h"
#include "FakePasteboard.h"
#include "FakeSoundPlayer.h"
#include "capture/ClipboardMonitor.h"
#include "capture/NotificationCenter.h"
#include "capture/SourceAppResolver.h"
#include "content/AppConstants.h"
#include "content/PasteboardTypes.h"
#include "content/Preferences.h"
#include "core/ClipboardKeeper.h"
#include "core/SoundManager.h"
#include "history/HistoryStore.h"
#include "support/X11TestEnvironment.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace quillbox {
namespace {

using testing::FakeFrontmostApplicationSource;
using testing::FakePasteboard;

class ClipboardMonitorTest : public ::testing::Test {
public:
    ClipboardMonitorTest()
        : store(StoreContainer::makeInMemory())
        , resolver(frontmost)
        , preferences(directory.filePath(u"Quillbox.conf"_s))
        , sounds(player, preferences) {
        AppConstants::registerDefaults(preferences);
        frontmost.setFrontmost(RunningApplication{u"Text Editor"_s, u"org.example.Editor"_s, {}});
        QObject::connect(&notifications, &NotificationCenter::clipboardDidChange,
                         [this](const ClipboardItemPtr& item) {
                             events.append(u"posted"_s);
                             posted.append(item);
                         });
        monitor =
            std::make_unique<ClipboardMonitor>(pasteboard, store, resolver, notifications, [this] {
                events.append(u"sound"_s);
                sounds.playCopySound();
            });
        monitor->onCapture = [this](const ClipboardItemPtr& item) {
            events.append(u"captured"_s);
            // By the time the owner hears of it, the item is in the history.
            EXPECT_EQ(store.itemWithHash(item->contentHash()), item);
            captured.append(item);
        };
    }

    void copyText(const QString& text, QStringList extraTypes = {}) {
        pasteboard.setContents(QStringList{PasteboardType::string} + extraTypes);
        pasteboard.setString(PasteboardType::string, text);
    }

    QStringList recordedTexts() const {
        QStringList texts;
        for (const auto& item : store.allItems())
            texts.append(item->plainText().value_or(QString()));
        return texts;
    }

    QTemporaryDir directory;
    FakePasteboard pasteboard;
    FakeFrontmostApplicationSource frontmost;
    HistoryStore store;
    SourceAppResolver resolver;
    NotificationCenter notifications;
    Preferences preferences;
    testing::FakeSoundPlayer player;
    SoundManager sounds;
    std::unique_ptr<ClipboardMonitor> monitor;
    QStringList events;
    QList<ClipboardItemPtr> captured;
    QList<ClipboardItemPtr> posted;
};

TEST_F(ClipboardMonitorTest, RecordsACopyThenPlaysTheSoundThenTellsTheOwnerThenAnnounces) {
    copyText(u"hello"_s);
    monitor->checkForChanges();

    ASSERT_EQ(store.allItems().size(), 1);
    const auto item = store.allItems().first();
    EXPECT_EQ(item->plainText(), u"hello"_s);
    EXPECT_EQ(item->sourceAppBundleID(), u"org.example.Editor"_s);
    EXPECT_EQ(item->sourceAppName(), u"Text Editor"_s);
    EXPECT_EQ(events, (QStringList{u"sound"_s, u"captured"_s, u"posted"_s}));
    EXPECT_EQ(player.played(), QStringList{u"Pop"_s});
    EXPECT_EQ(captured, QList{item});
    EXPECT_EQ(captured, posted);
}

TEST_F(ClipboardMonitorTest, ContentOnTheClipboardAtCreationIsNotRecorded) {
    copyText(u"copied before"_s);
    copyText(u"already there"_s); // queued too
    ClipboardMonitor fresh(pasteboard, store, resolver, notifications, {});
    fresh.checkForChanges();
    fresh.start();
    fresh.checkForChanges();
    EXPECT_TRUE(store.allItems().isEmpty());
}

// Each row arranges one change of the clipboard; the monitor must skip it,
// and must not look at it again once it moved on.
TEST_F(ClipboardMonitorTest, SkipsChangesItMustNotRecordAndNeverRetriesThem) {
    const std::pair<const char*, std::function<void(ClipboardMonitorTest&)>> cases[] = {
        {"written by Quillbox itself",
         [](ClipboardMonitorTest& t) {
             t.copyText(u"own"_s, {AppConstants::internalPasteboardType});
         }},
        {"marked concealed by a password manager",
         [](ClipboardMonitorTest& t) { t.copyText(u"secret"_s, {PasteboardType::concealed}); }},
        {"marked transient",
         [](ClipboardMonitorTest& t) {
             t.copyText(u"transient"_s, {u"org.nspasteboard.TransientType"_s});
         }},
        {"copied in an excluded application",
         [](ClipboardMonitorTest& t) {
             t.store.addAppRule(u"org.example.Vault"_s, u"Vault"_s);
             t.frontmost.setFrontmost(RunningApplication{u"Vault"_s, u"org.example.Vault"_s, {}});
             t.copyText(u"from the vault"_s);
         }},
        {"with nothing readable on the clipboard",
         [](ClipboardMonitorTest& t) { t.pasteboard.setContents({u"application/x-unknown"_s}); }},
    };
    for (const auto& [name, arrange] : cases) {
        SCOPED_TRACE(name);
        events.clear();
        arrange(*this);
        monitor->checkForChanges();
        EXPECT_EQ(monitor->lastChangeCount(), pasteboard.changeCount());

        // Whatever changes around it without a new copy, it is not looked at again.
        frontmost.setFrontmost(RunningApplication{u"Text Editor"_s, u"org.example.Editor"_s, {}});
        pasteboard.setTypesToNone();
        monitor->checkForChanges();
        EXPECT_TRUE(store.allItems().isEmpty());
        EXPECT_TRUE(events.isEmpty());
        EXPECT_TRUE(player.played().isEmpty());
    }
}

TEST_F(ClipboardMonitorTest, RecordsEveryChangeBetweenTwoTicksInOrderUnderTheSameRules) {
    copyText(u"first"_s);
    copyText(u"own"_s, {AppConstants::internalPasteboardType});
    copyText(u"secret"_s, {PasteboardType::concealed});
    copyText(u"second"_s);
    pasteboard.setContents({u"application/x-unknown"_s});
    copyText(u"first"_s); // again: moves to the top, announced again
    copyText(u"third"_s);
    monitor->checkForChanges();
    monitor->checkForChanges(); // nothing new: nothing more

    EXPECT_EQ(recordedTexts(), (QStringList{u"third"_s, u"first"_s, u"second"_s}));
    QStringList announced;
    for (const auto& item : posted)
        announced.append(*item->plainText());
    EXPECT_EQ(announced, (QStringList{u"first"_s, u"second"_s, u"first"_s, u"third"_s}));
    EXPECT_EQ(posted.at(0), posted.at(2)) << "a copy again is the same item";
    EXPECT_EQ(captured, posted);
    // One sound for the burst, before the first item is handed on.
    EXPECT_EQ(events.first(), u"sound"_s);
    EXPECT_EQ(player.played(), QStringList{u"Pop"_s});
    EXPECT_EQ(frontmost.frontmostQueries(), 1);
    EXPECT_EQ(monitor->lastChangeCount(), pasteboard.changeCount());

    // From an excluded application, none of a burst is recorded.
    store.addAppRule(u"org.example.Vault"_s, u"Vault"_s);
    frontmost.setFrontmost(RunningApplication{u"Vault"_s, u"org.example.Vault"_s, {}});
    copyText(u"vault one"_s);
    copyText(u"vault two"_s);
    monitor->checkForChanges();
    EXPECT_EQ(store.itemCount(), 3);

    // Each later tick has its own sound; with sounds off, copies are still
    // recorded and announced.
    frontmost.setFrontmost(RunningApplication{u"Text Editor"_s, u"org.example.Editor"_s, {}});
    copyText(u"second"_s);
    monitor->checkForChanges();
    EXPECT_EQ(player.played().size(), 2);
    preferences.setValue(AppConstants::Keys::soundEnabled, false);
    copyText(u"quiet"_s);
    monitor->checkForChanges();
    EXPECT_EQ(player.played().size(), 2);
    EXPECT_EQ(recordedTexts().first(), u"quiet"_s);
    EXPECT_EQ(posted.last()->plainText(), u"quiet"_s);
}

// Whatever is copied while paused, queued or seen at a tick, is never
// recorded, and a copy after resuming is.
TEST_F(ClipboardMonitorTest, NothingCopiedDuringAPauseIsRecordedQueuedOrNot) {
    for (const bool tickWhilePaused : {false, true}) {
        SCOPED_TRACE(tickWhilePaused ? "ticks during the pause" : "no tick during the pause");
        copyText(u"before"_s);
        monitor->setPaused(true);
        const int queries = frontmost.frontmostQueries();
        const int reads = pasteboard.readCount(PasteboardType::string);
        for (const QString& text : {u"paused a"_s, u"paused b"_s, u"paused c"_s}) {
            if (tickWhilePaused)
                monitor->checkForChanges();
            copyText(text); // the last is never seen at a paused tick
        }
        EXPECT_EQ(frontmost.frontmostQueries(), queries);
        EXPECT_EQ(pasteboard.readCount(PasteboardType::string), reads);
        monitor->setPaused(false);
        monitor->checkForChanges();
        EXPECT_TRUE(store.allItems().isEmpty());

        copyText(u"after"_s);
        monitor->checkForChanges();
        EXPECT_EQ(recordedTexts(), QStringList{u"after"_s});
        store.deleteItem(store.allItems().first());
    }
}

// Whether anything would wake the monitor on its own: a running timer of its
// own, or one it started itself.
bool armsATimer(QObject& monitor) {
    const auto timers = monitor.findChildren<QTimer*>();
    return std::any_of(timers.cbegin(), timers.cend(),
                       [](const QTimer* timer) { return timer->isActive(); }) ||
           !QAbstractEventDispatcher::instance()->registeredTimers(&monitor).isEmpty();
}

TEST_F(ClipboardMonitorTest, TicksOnceForTheChangesHandedOverAndNeverWhileNothingChanges) {
    monitor->start();
    monitor->start();
    EXPECT_FALSE(armsATimer(*monitor));
    QCoreApplication::processEvents();
    EXPECT_EQ(frontmost.frontmostQueries(), 0);
    EXPECT_EQ(pasteboard.readCount(PasteboardType::string), 0);

    // Two changes before the event loop runs: one tick takes both, after the
    // pasteboard is done with them.
    copyText(u"one"_s);
    copyText(u"two"_s);
    EXPECT_TRUE(store.allItems().isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(recordedTexts(), (QStringList{u"two"_s, u"one"_s}));
    EXPECT_EQ(player.played().size(), 1);
    EXPECT_EQ(frontmost.frontmostQueries(), 1);
    EXPECT_FALSE(armsATimer(*monitor));

    monitor->stop();
    EXPECT_FALSE(monitor->isRunning());
    EXPECT_FALSE(pasteboard.onContentsChanged);
    copyText(u"after stop"_s);
    QCoreApplication::processEvents();
    EXPECT_EQ(store.itemCount(), 2);
}

TEST_F(ClipboardMonitorTest, APasteboardThatCannotTellOfChangesIsPolled) {
    pasteboard.setNotifiesChanges(false);
    monitor->start();
    const auto timers = monitor->findChildren<QTimer*>();
    ASSERT_EQ(timers.size(), 1);
    EXPECT_EQ(timers.first()->intervalAsDuration(), ClipboardMonitor::pollInterval);
    copyText(u"polled"_s);
    EXPECT_TRUE(
        testing::waitUntil([&] { return store.itemCount() == 1; }, std::chrono::seconds(3)));
    monitor->stop();
    EXPECT_FALSE(armsATimer(*monitor));
}

// The application that copied quits: what it held comes back only when it
// was recorded and is still the newest item, with Quillbox's marker, and
// nothing is recorded, moved or played for it.
TEST_F(ClipboardMonitorTest, AQuittingOwnersContentIsOfferedAgainOnlyWhenItWasRecorded) {
    struct Case {
        const char* name;
        std::function<void(ClipboardMonitorTest&)> arrange; // ends with the copy that vanishes
        bool tickBeforeQuit = true;
        std::optional<QString> offered; // the text written back, if any
    };
    const Case cases[] = {
        {"a recorded copy", [](ClipboardMonitorTest& t) { t.copyText(u"kept"_s); }, true,
         u"kept"_s},
        {"a copy still queued when its owner quits",
         [](ClipboardMonitorTest& t) { t.copyText(u"queued"_s); }, false, u"queued"_s},
        {"a copy the password manager flagged",
         [](ClipboardMonitorTest& t) {
             t.copyText(u"older"_s);
             t.monitor->checkForChanges();
             t.copyText(u"secret"_s, {PasteboardType::concealed});
         },
         true, std::nullopt},
        {"a copy in an excluded application",
         [](ClipboardMonitorTest& t) {
             t.copyText(u"older"_s);
             t.monitor->checkForChanges();
             t.store.addAppRule(u"org.example.Vault"_s, u"Vault"_s);
             t.frontmost.setFrontmost(RunningApplication{u"Vault"_s, u"org.example.Vault"_s, {}});
             t.copyText(u"from the vault"_s);
         },
         true, std::nullopt},
        {"a copy made while paused",
         [](ClipboardMonitorTest& t) {
             t.copyText(u"older"_s);
             t.monitor->checkForChanges();
             t.monitor->setPaused(true);
             t.copyText(u"paused"_s);
             t.monitor->checkForChanges();
             t.monitor->setPaused(false);
         },
         true, std::nullopt},
        {"a recorded copy deleted from the history since",
         [](ClipboardMonitorTest& t) {
             t.copyText(u"older"_s);
             t.monitor->checkForChanges();
             t.copyText(u"deleted"_s);
             t.monitor->checkForChanges();
             t.store.deleteItem(t.store.allItems().first());
         },
         true, std::nullopt},
        {"with the preference off",
         [](ClipboardMonitorTest& t) {
             t.preferences.setValue(AppConstants::Keys::keepClipboardOnQuit, false);
             t.copyText(u"not kept"_s);
         },
         true, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& item : store.allItems())
            store.deleteItem(item);
        for (const auto& rule : store.appRules())
            store.deleteAppRule(rule);
        preferences.remove(AppConstants::Keys::keepClipboardOnQuit);
        frontmost.setFrontmost(RunningApplication{u"Text Editor"_s, u"org.example.Editor"_s, {}});
        monitor->start();
        ClipboardKeeper keeper(pasteboard, *monitor, store, preferences);
        c.arrange(*this);
        if (c.tickBeforeQuit)
            monitor->checkForChanges();
        const auto itemsBefore = store.allItems();
        const qsizetype writesBefore = pasteboard.writes().size();
        const qsizetype soundsBefore = player.played().size();

        // The owner went away with its contents: nobody holds the clipboard.
        pasteboard.setContents({});
        pasteboard.setTypesToNone();
        ASSERT_TRUE(pasteboard.onOwnerVanished);
        pasteboard.onOwnerVanished();
        monitor->checkForChanges();

        if (c.offered) {
            ASSERT_EQ(pasteboard.writes().size(), writesBefore + 1);
            EXPECT_EQ(pasteboard.string(PasteboardType::string), *c.offered);
            EXPECT_TRUE(pasteboard.types()->contains(AppConstants::internalPasteboardType));
            if (c.tickBeforeQuit) {
                EXPECT_EQ(store.allItems(), itemsBefore);
            }
            EXPECT_EQ(store.allItems().first()->plainText(), *c.offered);
        } else {
            EXPECT_EQ(pasteboard.writes().size(), writesBefore);
            EXPECT_EQ(store.allItems(), itemsBefore);
        }
        // A copy recorded late plays its own capture sound; keeping plays none.
        EXPECT_EQ(player.played().size(), soundsBefore + (c.tickBeforeQuit ? 0 : 1));
        monitor->stop();
    }
}

} // namespace
} // namespace quillbox
