// Pruning the history with the retention the preferences hold, when items come due.
#include "TestContent.h"
#include "X11TestEnvironment.h"
#include "content/AppConstants.h"
#include "content/Preferences.h"
#include "core/HistoryRetention.h"
#include "history/HistoryStore.h"

#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace quillbox {
namespace {

class HistoryRetentionTest : public ::testing::Test {
protected:
    HistoryRetentionTest()
        : preferences(dir.filePath(u"Quillbox.conf"_s))
        , store(StoreContainer::makeInMemory()) {
        AppConstants::registerDefaults(preferences);
    }
    ClipboardItemPtr recordAged(const QString& text, int days) {
        auto item = store.record(testing::textContent(text), std::nullopt, std::nullopt);
        store.setCopiedAt(item, QDateTime::currentDateTimeUtc().addDays(-days));
        return item;
    }
    bool timerRuns() const {
        const auto* timer = retention.findChild<QTimer*>();
        return timer && timer->isActive();
    }

    QTemporaryDir dir;
    Preferences preferences;
    HistoryStore store;
    HistoryRetention retention{store, preferences};
};

TEST_F(HistoryRetentionTest, NothingThatCanExpireArmsNoTimer) {
    preferences.setValue(AppConstants::Keys::retentionDays, 7);
    retention.start();
    EXPECT_TRUE(retention.isRunning());
    EXPECT_FALSE(timerRuns()) << "an empty history";
    store.togglePin(recordAged(u"pinned"_s, 30));
    EXPECT_FALSE(timerRuns()) << "only a pinned item";
    retention.stop();
    EXPECT_FALSE(retention.isRunning());
}

TEST_F(HistoryRetentionTest, PrunesAtStartThenWhenTheOldestItemComesDue) {
    using namespace std::chrono_literals;
    recordAged(u"old"_s, 10);
    const auto recent = recordAged(u"recent"_s, 3);
    preferences.setValue(AppConstants::Keys::retentionDays, 7);
    retention.start();
    ASSERT_EQ(store.allItems(), QList{recent});
    const auto inFourDays = std::chrono::duration_cast<std::chrono::milliseconds>(24h * 4);
    ASSERT_TRUE(retention.nextPassIn());
    EXPECT_GT(*retention.nextPassIn(), inFourDays - 1min);
    EXPECT_LE(*retention.nextPassIn(), inFourDays + 2s);
    EXPECT_TRUE(timerRuns());

    // Each row leaves nothing that can expire, then undoes that: the next
    // pass is set again at once.
    struct Change {
        const char* name;
        std::function<void()> make, undo;
    };
    const Change changes[] = {
        {"a pin", [&] { store.togglePin(recent); }, [&] { store.togglePin(recent); }},
        {"kept for ever", [&] { preferences.setValue(AppConstants::Keys::retentionDays, -1); },
         [&] { preferences.setValue(AppConstants::Keys::retentionDays, 7); }},
    };
    for (const auto& change : changes) {
        SCOPED_TRACE(change.name);
        change.make();
        EXPECT_FALSE(retention.nextPassIn());
        EXPECT_FALSE(timerRuns());
        change.undo();
        EXPECT_TRUE(timerRuns());
    }
    preferences.setValue(AppConstants::Keys::retentionDays, 365);
    EXPECT_EQ(retention.nextPassIn(), std::chrono::milliseconds(HistoryRetention::longestWait));

    // A shorter retention applies without waiting for the pass set before.
    preferences.setValue(AppConstants::Keys::retentionDays, 1);
    EXPECT_TRUE(testing::waitUntil([&] { return store.allItems().isEmpty(); }));
    EXPECT_FALSE(timerRuns());
    store.record(testing::textContent(u"new"_s), std::nullopt, std::nullopt);
    EXPECT_TRUE(timerRuns()) << "a first item after none";
}

} // namespace
} // namespace quillbox
