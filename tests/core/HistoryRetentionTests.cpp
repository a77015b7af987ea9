// Pruning the history on a timer with the retention the preferences hold.
#include "TestContent.h"
#include "X11TestEnvironment.h"
#include "content/AppConstants.h"
#include "content/Preferences.h"
#include "core/HistoryRetention.h"
#include "history/HistoryStore.h"

#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace quillbox {
namespace {

TEST(HistoryRetentionTest, PrunesAtStartThenAtEachFiringWithTheRetentionThen) {
    QTemporaryDir dir;
    Preferences preferences(dir.filePath(u"Quillbox.conf"_s));
    AppConstants::registerDefaults(preferences);
    HistoryStore store(StoreContainer::makeInMemory());
    const auto now = QDateTime::currentDateTimeUtc();
    for (const auto& [text, age] : {std::pair(u"old"_s, 10), std::pair(u"recent"_s, 3)}) {
        auto item = store.record(testing::textContent(text), std::nullopt, std::nullopt);
        store.setCopiedAt(item, now.addDays(-age));
    }
    HistoryRetention retention(store, preferences);
    preferences.setValue(AppConstants::Keys::retentionDays, 7);
    EXPECT_FALSE(retention.isRunning());
    retention.start();
    EXPECT_TRUE(retention.isRunning());
    ASSERT_EQ(store.allItems().size(), 1);

    // A change between firings applies at the next one.
    preferences.setValue(AppConstants::Keys::retentionDays, 1);
    EXPECT_EQ(store.allItems().size(), 1);
    auto* timer = retention.findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 3600 * 1000);
    timer->start(1); // the next firing, without waiting an hour
    EXPECT_TRUE(testing::waitUntil([&] { return store.allItems().isEmpty(); }));

    retention.stop();
    EXPECT_FALSE(retention.isRunning());
}

} // namespace
} // namespace quillbox
