// Start-up, pausing, retention and colour picking of the application
// services, over fakes and a store in memory.
#include "AppTestSupport.h"
#include "capture/ClipboardMonitor.h"
#include "content/AppConstants.h"
#include "content/Hash.h"
#include "core/AppState.h"
#include "core/PasteStackManager.h"
#include "history/HistoryStore.h"
#include "support/X11TestEnvironment.h"

#include <QTimer>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace quillbox {
namespace {

using testing::FakeApp;

QStringList texts(HistoryStore& store) {
    QStringList result;
    for (const auto& item : store.allItems())
        result.append(item->plainText().value_or(QString()));
    return result;
}

TEST(AppServicesTest, StartingTwiceCreatesOneMonitorAndOneRetentionTimer) {
    FakeApp app;
    app.services->start();
    ClipboardMonitor* monitor = app.services->clipboardMonitor();
    const auto timers = app.services->findChildren<QTimer*>().size();
    app.services->start();
    EXPECT_EQ(app.services->clipboardMonitor(), monitor);
    EXPECT_EQ(app.services->findChildren<QTimer*>().size(), timers);
    EXPECT_EQ(app.services->findChildren<ClipboardMonitor*>().size(), 1);
    EXPECT_TRUE(monitor->isRunning());
}

TEST(AppServicesTest, UnderATestHostTheStoreIsInMemoryAndStartDoesNothing) {
    qputenv(AppServices::testEnvironmentVariable, "1");
    FakeApp app;
    app.services->start();
    qunsetenv(AppServices::testEnvironmentVariable);
    EXPECT_FALSE(app.services->isStarted());
    EXPECT_EQ(app.services->clipboardMonitor(), nullptr);
}

TEST(AppServicesTest, ContentOnTheClipboardAtLaunchIsNotCaptured) {
    FakeApp app;
    app.copyText(u"from before"_s);
    app.services->start();
    app.services->clipboardMonitor()->checkForChanges();
    EXPECT_TRUE(app.services->historyStore().allItems().isEmpty());
    app.copyText(u"after"_s);
    app.services->clipboardMonitor()->checkForChanges();
    EXPECT_EQ(texts(app.services->historyStore()), QStringList{u"after"_s});
}

TEST(AppServicesTest, WhatIsCopiedDuringAPauseIsNeverRecorded) {
    FakeApp app;
    app.services->start();
    auto* monitor = app.services->clipboardMonitor();
    app.services->appState().toggleMonitoringPaused();
    EXPECT_TRUE(monitor->isPaused());
    app.copyText(u"secret one"_s);
    monitor->checkForChanges();
    app.copyText(u"secret two"_s);
    monitor->checkForChanges();
    app.services->appState().toggleMonitoringPaused();
    EXPECT_FALSE(monitor->isPaused());
    monitor->checkForChanges(); // the first tick after resuming
    EXPECT_TRUE(app.services->historyStore().allItems().isEmpty());

    app.copyText(u"public"_s);
    monitor->checkForChanges();
    EXPECT_EQ(texts(app.services->historyStore()), QStringList{u"public"_s});
}

TEST(AppServicesTest, CapturesFeedThePasteStackOnlyWhileItRuns) {
    FakeApp app;
    app.services->start();
    auto* monitor = app.services->clipboardMonitor();
    app.copyText(u"outside"_s);
    monitor->checkForChanges();
    app.services->pasteStack().activate();
    app.copyText(u"inside"_s);
    monitor->checkForChanges();
    ASSERT_EQ(app.services->pasteStack().stackItems().size(), 1);
    EXPECT_EQ(app.services->pasteStack().stackItems().first()->plainText(), u"inside"_s);
}

TEST(AppServicesTest, PrunesOnceAtStartAndThenHourlyWithTheCurrentRetention) {
    FakeApp app;
    auto& store = app.services->historyStore();
    ParsedClipboardContent content;
    content.content = "old";
    content.plainText = u"old"_s;
    content.contentType = PasteboardType::string;
    content.contentHash = sha256Hash(content.content);
    const auto old = store.record(content, {}, {});
    store.setCopiedAt(old, QDateTime::currentDateTimeUtc().addDays(-10));
    content.content = "recent";
    content.plainText = u"recent"_s;
    content.contentHash = sha256Hash(content.content);
    const auto recent = store.record(content, {}, {});
    store.setCopiedAt(recent, QDateTime::currentDateTimeUtc().addDays(-3));

    app.preferences->setValue(AppConstants::Keys::retentionDays, 7);
    app.services->start();
    EXPECT_EQ(texts(store), QStringList{u"recent"_s});

    QTimer* retention = nullptr;
    for (auto* timer : app.services->findChildren<QTimer*>(Qt::FindDirectChildrenOnly)) {
        if (timer->interval() == 3600 * 1000)
            retention = timer;
    }
    ASSERT_NE(retention, nullptr);
    EXPECT_TRUE(retention->isActive());
    // A change between firings applies at the next one.
    app.preferences->setValue(AppConstants::Keys::retentionDays, 1);
    retention->start(1); // the next firing, without waiting an hour
    EXPECT_TRUE(testing::waitUntil([&] { return store.allItems().isEmpty(); }));

    app.services->stop();
    EXPECT_TRUE(app.services->findChildren<QTimer*>(Qt::FindDirectChildrenOnly).isEmpty());
    EXPECT_FALSE(app.services->clipboardMonitor()->isRunning());
}

TEST(AppServicesTest, PickingAColourHidesThePanelWaitsThenReopensItOnTheNewColour) {
    FakeApp app;
    app.services->start();
    auto& state = app.services->appState();
    state.showPanel();
    state.setSearchQuery(u"abc"_s);
    ClipboardItemPtr reported;
    ASSERT_TRUE(app.services->pickColor(true, [&](ClipboardItemPtr item) { reported = item; }));
    EXPECT_FALSE(state.isPanelVisible());
    // A second request while the first is on its way is refused.
    EXPECT_FALSE(app.services->pickColor(true));
    EXPECT_EQ(app.sampler->sampleCount(), 0); // not before the delay
    ASSERT_TRUE(testing::waitUntil([&] { return app.sampler->isShowing(); }));
    EXPECT_FALSE(app.services->pickColor(true));

    app.sampler->pick(QColor(255, 0, 0));
    ASSERT_TRUE(testing::waitUntil([&] { return reported != nullptr; }));
    EXPECT_EQ(reported->colorHex(), u"#FF0000"_s);
    EXPECT_TRUE(state.isPanelVisible());
    EXPECT_EQ(state.searchQuery(), QString());
    EXPECT_EQ(state.selectedCardID(), reported->id());
    EXPECT_EQ(app.sampler->sampleCount(), 1);
}

TEST(AppServicesTest, ACancelledPickReopensThePanelWithNothingSelected) {
    FakeApp app;
    app.services->start();
    bool finished = false;
    ASSERT_TRUE(app.services->pickColor(true, [&](ClipboardItemPtr item) {
        EXPECT_EQ(item, nullptr);
        finished = true;
    }));
    ASSERT_TRUE(testing::waitUntil([&] { return app.sampler->isShowing(); }));
    app.sampler->cancel();
    ASSERT_TRUE(testing::waitUntil([&] { return finished; }));
    EXPECT_TRUE(app.services->appState().isPanelVisible());
    EXPECT_EQ(app.services->appState().selectedCardID(), std::nullopt);
    EXPECT_TRUE(app.services->historyStore().allItems().isEmpty());
}

} // namespace
} // namespace quillbox
