#include "PasteTestSupport.h"

#include <gtest/gtest.h>

using namespace quillbox;
using namespace quillbox::testing;

namespace {

// A short cycle stands in for the two seconds of the real one.
constexpr auto testInterval = 20ms;

} // namespace

TEST(AccessibilityManager, PollingStopsOnceGrantedAndObserversSeeOneChangeToTrue) {
    FakeAccessProbe probe;
    AccessibilityManager manager(probe, testInterval);
    QList<bool> changes;
    QObject::connect(&manager, &AccessibilityManager::isAccessibilityGrantedChanged,
                     [&](bool granted) { changes.append(granted); });

    manager.startPeriodicCheck();
    serveFor(testInterval * 4);
    ASSERT_TRUE(manager.isPolling());
    EXPECT_TRUE(changes.isEmpty());

    probe.setGranted(true);
    ASSERT_TRUE(waitUntil([&] { return !manager.isPolling(); }, testInterval * 10));
    EXPECT_TRUE(manager.isAccessibilityGranted());

    const int checksWhenStopped = probe.checks();
    serveFor(testInterval * 4);
    EXPECT_EQ(probe.checks(), checksWhenStopped);
    EXPECT_EQ(changes, QList<bool>{true});
}

TEST(AccessibilityManager, PollingGivesUpOnADesktopThatNeverGrantsUntilAskedAgain) {
    FakeAccessProbe probe;
    AccessibilityManager manager(probe, testInterval);
    manager.requestAccess();
    const int checksBefore = probe.checks();
    ASSERT_TRUE(waitUntil([&] { return !manager.isPolling(); },
                          testInterval * (AccessibilityManager::checksBeforeGivingUp * 20)));
    EXPECT_EQ(probe.checks() - checksBefore, AccessibilityManager::checksBeforeGivingUp);
    serveFor(testInterval * 4);
    EXPECT_EQ(probe.checks() - checksBefore, AccessibilityManager::checksBeforeGivingUp);

    manager.requestAccess(); // the next paste
    EXPECT_TRUE(manager.isPolling());
}

TEST(AccessibilityManager, TheFirstAnswerAndAGrantingRequestShowAtOnceAndAWithdrawalIsLearnt) {
    FakeAccessProbe probe;
    probe.setGranted(true);
    EXPECT_TRUE(AccessibilityManager(probe).isAccessibilityGranted()) << "the probe's first answer";
    probe.setGranted(false);
    AccessibilityManager manager(probe, testInterval);
    int changes = 0;
    QObject::connect(&manager, &AccessibilityManager::isAccessibilityGrantedChanged,
                     [&] { ++changes; });
    manager.requestAccess(); // not granted: polling goes on
    EXPECT_FALSE(manager.isAccessibilityGranted());
    EXPECT_TRUE(manager.isPolling());

    // Where a request grants at once (plain X11), it shows now and polling
    // ends at its next check.
    probe.setGrantsOnRequest(true);
    manager.requestAccess();
    EXPECT_EQ(probe.requests(), 2);
    EXPECT_TRUE(manager.isAccessibilityGranted());
    EXPECT_TRUE(waitUntil([&] { return !manager.isPolling(); }, testInterval * 10));
    EXPECT_EQ(changes, 1);

    probe.setGranted(false);
    manager.checkAccess();
    EXPECT_FALSE(manager.isAccessibilityGranted());
}
