// A burst of copies by separate owners, faster than the monitor polls, goes
// through the real reader, the monitor and a store in memory: every copy is
// recorded, in the order it was made.
#include "FakeFrontmostApplicationSource.h"
#include "PasteboardFixture.h"
#include "capture/ClipboardMonitor.h"
#include "capture/NotificationCenter.h"
#include "capture/SourceAppResolver.h"
#include "history/HistoryStore.h"
#include "history/StoreContainer.h"

#include <QElapsedTimer>
#include <QThread>

namespace quillbox::testing {
namespace {

using namespace std::chrono_literals;

constexpr int burstCopies = 20;
constexpr qint64 copySpacingMs = 20;

using ClipboardBurstTest = PasteboardTest;

TEST_F(ClipboardBurstTest, EveryCopyOfABurstBetweenTwoPollsIsRecordedInOrder) {
    FakeFrontmostApplicationSource frontmost;
    SourceAppResolver resolver(frontmost);
    NotificationCenter notifications;
    HistoryStore store(StoreContainer::makeInMemory());
    ClipboardMonitor monitor(*m_pasteboard, store, resolver, notifications, {});
    QStringList announced;
    QObject::connect(&notifications, &NotificationCenter::clipboardDidChange,
                     [&](const ClipboardItemPtr& item) { announced.append(*item->plainText()); });
    monitor.start();

    QStringList copied;
    std::vector<std::unique_ptr<ChildProcess>> owners;
    QElapsedTimer sinceCopy;
    for (int i = 0; i < burstCopies; ++i) {
        if (sinceCopy.isValid())
            waitUntil([&] { return sinceCopy.elapsed() >= copySpacingMs; }, 1s);
        const qint64 before = m_pasteboard->changeCount();
        copied.append(u"burst copy %1"_qs.arg(i));
        owners.push_back(startOwner({{u"UTF8_STRING"_qs, copied.last().toUtf8()}}));
        sinceCopy.start();
        // Each owner is seen before the next takes over, so the order is the
        // one the copies were made in; the monitor's poll is far slower.
        ASSERT_TRUE(waitUntil([&] { return m_pasteboard->changeCount() != before; }, 2s));
    }
    ASSERT_TRUE(waitUntil([&] { return store.itemCount() == burstCopies; }, 3s))
        << store.itemCount() << " of " << burstCopies << " recorded";

    QStringList recorded;
    for (const auto& item : store.allItems())
        recorded.prepend(*item->plainText());
    EXPECT_EQ(recorded, copied);
    EXPECT_EQ(announced, copied);
}

} // namespace
} // namespace quillbox::testing
