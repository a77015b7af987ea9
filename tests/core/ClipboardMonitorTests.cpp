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
#include "core/SoundManager.h"
#include "history/HistoryStore.h"
#include "support/X11TestEnvironment.h"

#include <QTemporaryDir>
#include <QTimer>
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

TEST_F(ClipboardMonitorTest, StartingTwiceRunsOneTimerThatPollsTheClipboard) {
    monitor->start();
    monitor->start();
    EXPECT_EQ(monitor->findChildren<QTimer*>().size(), 1);

    copyText(u"polled"_s);
    EXPECT_TRUE(
        testing::waitUntil([&] { return store.itemCount() == 1; }, std::chrono::seconds(3)));

    monitor->stop();
    EXPECT_FALSE(monitor->isRunning());
    copyText(u"after stop"_s);
    testing::waitUntil([] { return false; }, std::chrono::milliseconds(700));
    EXPECT_EQ(recordedTexts(), QStringList{u"polled"_s});
}

} // namespace
} // namespace quillbox
