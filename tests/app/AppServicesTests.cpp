// Start-up, pausing, retention and colour picking of the application
// services, over fakes and a store in memory.
#include "AppTestSupport.h"
#include "capture/ClipboardMonitor.h"
#include "content/AppConstants.h"
#include "core/AppState.h"
#include "core/HistoryRetention.h"
#include "core/PasteStackManager.h"
#include "support/X11TestEnvironment.h"

#include <QTimer>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace quillbox {
namespace {

using testing::FakeApp;

TEST(AppServicesTest, UnderATestHostTheStoreIsInMemoryAndStartDoesNothing) {
    qputenv(AppServices::testEnvironmentVariable, "1");
    FakeApp app;
    app.services->start();
    qunsetenv(AppServices::testEnvironmentVariable);
    EXPECT_FALSE(app.services->isStarted());
    EXPECT_EQ(app.services->clipboardMonitor(), nullptr);
}

// What the session keeps from Quillbox reaches the panel's state.
TEST(AppServicesTest, ThePlatformsSessionNoticeIsThePanels) {
    FakeApp app([](AppPlatform& platform) { platform.sessionNotice = u"enable it"_s; });
    EXPECT_EQ(app.services->appState().sessionNotice(), u"enable it"_s);
}

TEST(AppServicesTest, StartingTwiceKeepsOneMonitorAndTheClipboardAtLaunchIsNotCaptured) {
    FakeApp app;
    app.copyText(u"from before"_s);
    app.services->start();
    ClipboardMonitor* monitor = app.services->clipboardMonitor();
    app.services->start();
    EXPECT_EQ(app.services->clipboardMonitor(), monitor);
    EXPECT_EQ(app.services->findChildren<ClipboardMonitor*>().size(), 1);
    monitor->checkForChanges();
    EXPECT_TRUE(app.store().allItems().isEmpty());
    app.copyText(u"after"_s);
    monitor->checkForChanges();
    EXPECT_EQ(app.texts(), QStringList{u"after"_s});
}

// The clipboard's text and whether Quillbox marked it as its own write.
std::pair<QString, bool> clipboard(const FakeApp& app) {
    const auto types = app.pasteboard->types().value_or(QStringList());
    return {app.pasteboard->string(PasteboardType::string).value_or(QString()),
            types.contains(AppConstants::internalPasteboardType)};
}

TEST(AppServicesTest, APasteStackRunKeepsTheNextItemOnTheClipboardAndMovesOnAfterEachPaste) {
    FakeApp app;
    app.services->start();
    auto* monitor = app.services->clipboardMonitor();
    auto& stack = app.services->pasteStack();
    // Outside a run copies are only recorded.
    app.copyText(u"outside"_s);
    monitor->checkForChanges();
    EXPECT_TRUE(app.pasteboard->writes().isEmpty());
    EXPECT_EQ(app.stackWindow, nullptr);
    EXPECT_EQ(app.pasteKeys->starts(), 0);

    app.services->togglePasteStackFromCommand();
    ASSERT_NE(app.stackWindow, nullptr);
    EXPECT_TRUE(app.stackWindow->isShowing());
    EXPECT_TRUE(app.pasteKeys->isWatching());

    const QStringList copied{u"first"_s, u"second"_s, u"third"_s};
    for (const QString& text : copied) {
        app.copyText(text);
        monitor->checkForChanges();
        // The first copy stays on the clipboard, and that write is not recorded.
        EXPECT_EQ(clipboard(app), std::pair(u"first"_s, true)) << text.toStdString();
        monitor->checkForChanges();
    }
    EXPECT_EQ(app.texts().size(), 4);
    ASSERT_EQ(stack.stackItems().size(), 3);

    for (int paste = 1; paste <= 3; ++paste) {
        app.pasteKeys->pressPasteKey();
        EXPECT_EQ(stack.currentIndex(), paste - 1); // the application reads the clipboard first
        ASSERT_TRUE(testing::waitUntil([&] { return stack.currentIndex() != paste - 1; }));
        if (paste < 3) {
            EXPECT_EQ(clipboard(app), std::pair(copied.at(paste), true));
        }
    }
    // Past the last item the run ends: the window goes and the key is no longer watched.
    EXPECT_FALSE(stack.isActive());
    EXPECT_FALSE(app.stackWindow->isShowing());
    EXPECT_FALSE(app.pasteKeys->isWatching());
    EXPECT_EQ(app.texts().size(), 4);
}

TEST(AppServicesTest, PrunesAtStartKeepsPruningAndStopsEverythingAtStop) {
    FakeApp app;
    const auto now = QDateTime::currentDateTimeUtc();
    app.addText(u"old"_s, now.addDays(-10));
    app.addText(u"recent"_s, now.addDays(-3));

    app.preferences->setValue(AppConstants::Keys::retentionDays, 7);
    app.services->start();
    EXPECT_EQ(app.texts(), QStringList{u"recent"_s});
    auto* retention = app.services->findChild<HistoryRetention*>();
    ASSERT_NE(retention, nullptr);
    EXPECT_TRUE(retention->isRunning());

    app.services->stop();
    EXPECT_FALSE(app.services->clipboardMonitor()->isRunning());
    EXPECT_FALSE(retention->isRunning());
}

TEST(AppServicesTest, PickingAColourFromTheToolbarReopensThePanelOnIt) {
    FakeApp app;
    app.services->start();
    app.services->appState().showPanel();
    ClipboardItemPtr reported;
    ASSERT_TRUE(app.services->pickColor(true, [&](ClipboardItemPtr item) { reported = item; }));
    EXPECT_FALSE(app.services->appState().isPanelVisible());
    ASSERT_TRUE(testing::waitUntil([&] { return app.sampler->isShowing(); }));
    app.sampler->pick(QColor(0, 255, 0));
    ASSERT_TRUE(testing::waitUntil([&] { return reported != nullptr; }));
    EXPECT_TRUE(app.services->appState().isPanelVisible());
    EXPECT_EQ(app.services->appState().selectedCardID(), reported->id());
}

} // namespace
} // namespace quillbox
