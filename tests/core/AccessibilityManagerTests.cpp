#include "FakeAccessProbe.h"
#include "core/AccessibilityManager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace quillbox;
using namespace std::chrono_literals;
using quillbox::testing::FakeAccessProbe;

namespace {

// A short cycle stands in for the two seconds of the real one.
constexpr auto testInterval = 20ms;

bool serveEventsUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeout.count())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void serveEventsFor(std::chrono::milliseconds duration) {
    serveEventsUntil([] { return false; }, duration);
}

} // namespace

TEST(AccessibilityManager, StartsWithTheProbesAnswer) {
    FakeAccessProbe probe;
    probe.setGranted(true);
    EXPECT_TRUE(AccessibilityManager(probe).isAccessibilityGranted());
    probe.setGranted(false);
    EXPECT_FALSE(AccessibilityManager(probe).isAccessibilityGranted());
}

TEST(AccessibilityManager, PollingStopsOnceGrantedAndObserversSeeOneChangeToTrue) {
    FakeAccessProbe probe;
    AccessibilityManager manager(probe, testInterval);
    QList<bool> changes;
    QObject::connect(&manager, &AccessibilityManager::isAccessibilityGrantedChanged,
                     [&](bool granted) { changes.append(granted); });

    manager.startPeriodicCheck();
    serveEventsFor(testInterval * 4);
    ASSERT_TRUE(manager.isPolling());
    EXPECT_TRUE(changes.isEmpty());

    probe.setGranted(true);
    ASSERT_TRUE(serveEventsUntil([&] { return !manager.isPolling(); }, testInterval * 10));
    EXPECT_TRUE(manager.isAccessibilityGranted());

    const int checksWhenStopped = probe.checks();
    serveEventsFor(testInterval * 4);
    EXPECT_EQ(probe.checks(), checksWhenStopped);
    EXPECT_EQ(changes, QList<bool>{true});
}

TEST(AccessibilityManager, ARequestThatGrantsAtOnceShowsNowAndPollingEndsAtItsFirstCheck) {
    FakeAccessProbe probe;
    probe.setGrantsOnRequest(true);
    AccessibilityManager manager(probe, testInterval);
    int changes = 0;
    QObject::connect(&manager, &AccessibilityManager::isAccessibilityGrantedChanged,
                     [&] { ++changes; });

    manager.requestAccess();
    EXPECT_EQ(probe.requests(), 1);
    EXPECT_TRUE(manager.isAccessibilityGranted());
    EXPECT_TRUE(serveEventsUntil([&] { return !manager.isPolling(); }, testInterval * 10));
    EXPECT_EQ(changes, 1);
}

TEST(AccessibilityManager, ARequestWithoutGrantKeepsPollingAndCheckAccessLearnsAWithdrawal) {
    FakeAccessProbe probe;
    AccessibilityManager manager(probe, testInterval);
    manager.requestAccess();
    EXPECT_FALSE(manager.isAccessibilityGranted());
    EXPECT_TRUE(manager.isPolling());

    probe.setGranted(true);
    manager.checkAccess();
    EXPECT_TRUE(manager.isAccessibilityGranted());
    probe.setGranted(false);
    manager.checkAccess();
    EXPECT_FALSE(manager.isAccessibilityGranted());
}

TEST(AccessibilityManager, ASecondStartRestartsTheCycle) {
    FakeAccessProbe probe;
    AccessibilityManager manager(probe, 200ms);
    manager.startPeriodicCheck();
    const int before = probe.checks();
    // Restarting every 100 ms keeps a 200 ms cycle from ever completing.
    for (int i = 0; i < 4; ++i) {
        serveEventsFor(100ms);
        manager.startPeriodicCheck();
    }
    EXPECT_EQ(probe.checks(), before);
    EXPECT_TRUE(manager.isPolling());
}
