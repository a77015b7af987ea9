#include "TestContent.h"
#include "X11TestEnvironment.h"
#include "history/HistoryStore.h"
#include "history/StoreContainer.h"
#include "ui/PreviewImageCache.h"

#include <QPainter>
#include <QSemaphore>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>

using namespace quillbox;
using namespace quillbox::testing;

namespace {

constexpr QSize previewSize(100, 80);

// Wraps the real decoder: counts decodes and notes whether any ran on the
// main thread.
struct DecodeRecord {
    std::atomic<int> count{0};
    std::atomic<bool> ranOnMainThread{false};

    PreviewImageCache::Decoder decoder(QSemaphore* gate = nullptr) {
        QThread* mainThread = QThread::currentThread();
        return [this, mainThread, gate](const QByteArray& bytes, QSize size) {
            ++count;
            if (QThread::currentThread() == mainThread)
                ranOnMainThread = true;
            if (gate)
                gate->acquire();
            return PreviewImageCache::decodeFilling(bytes, size);
        };
    }
};

} // namespace

TEST(PreviewImageCache, DecodesOffTheMainThreadToTheShownSizeAndTriesABrokenImageOnce) {
    HistoryStore store(StoreContainer::makeInMemory());
    // A wide image, so filling the preview crops its sides: red in the
    // middle, blue at both ends.
    QImage wide(400, 80, QImage::Format_RGB32);
    wide.fill(Qt::blue);
    QPainter(&wide).fillRect(100, 0, 200, 80, Qt::red);
    const auto good = store.record(imageContent(encodedImage(wide, "PNG")), {}, {});
    const auto broken = store.record(imageContent("\x89PNG but not really"), {}, {});

    PreviewImageCache cache;
    DecodeRecord record;
    cache.setDecoder(record.decoder());
    QList<QUuid> ready;
    QObject::connect(&cache, &PreviewImageCache::imageReady, [&](const QUuid& id) { ready << id; });

    EXPECT_FALSE(cache.image(good, previewSize));
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(cache.image(broken, previewSize));
    ASSERT_TRUE(
        waitUntil([&] { return cache.decodesInFlight() == 0 && cache.waitingRequests() == 0; }));
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(cache.image(broken, previewSize)) << "a broken image never decodes";
    QCoreApplication::processEvents();

    EXPECT_EQ(record.count.load(), 2) << "one decode each, however often the broken one is asked";
    EXPECT_FALSE(record.ranOnMainThread.load());
    EXPECT_TRUE(cache.hasFailed(*broken));
    ASSERT_EQ(ready.count(), 1);
    EXPECT_EQ(ready.at(0), good->id());

    const auto image = cache.image(good, previewSize);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), previewSize);
    // Scaled to the preview's height, the 400-wide image keeps its middle 100
    // columns: all red.
    EXPECT_EQ(QColor(image->pixel(2, 40)), QColor(Qt::red));
    EXPECT_EQ(QColor(image->pixel(97, 40)), QColor(Qt::red));
}

TEST(PreviewImageCache, KeepsToItsByteBoundAndDropsRequestsForCardsScrolledAway) {
    HistoryStore store(StoreContainer::makeInMemory());
    QList<ClipboardItemPtr> items;
    for (int i = 0; i < 6; ++i)
        items << store.record(imageContent(solidPng(QColor(40 * i, 0, 0))), {}, {});

    PreviewImageCache cache;
    const qint64 imageBytes = qint64(previewSize.width()) * previewSize.height() * 4;
    cache.setByteLimit(2 * imageBytes + imageBytes / 2); // room for two
    QSemaphore gate;
    DecodeRecord record;
    cache.setDecoder(record.decoder(&gate));

    for (const auto& item : items)
        cache.image(item, previewSize);
    EXPECT_EQ(cache.decodesInFlight(), PreviewImageCache::maxDecodesInFlight);
    EXPECT_EQ(cache.waitingRequests(), 4);
    // The cards scrolled away before their turn: their bytes are never read.
    cache.dropWaitingRequests();
    gate.release(100);
    ASSERT_TRUE(waitUntil([&] { return cache.decodesInFlight() == 0; }));
    EXPECT_EQ(record.count.load(), 2);

    // The first two started at once; the others, dropped, are asked again.
    EXPECT_TRUE(cache.image(items[0], previewSize));
    EXPECT_TRUE(cache.image(items[1], previewSize));
    EXPECT_FALSE(cache.image(items[5], previewSize));
    ASSERT_TRUE(
        waitUntil([&] { return cache.decodesInFlight() == 0 && cache.waitingRequests() == 0; }));
    EXPECT_TRUE(cache.image(items[5], previewSize));
    EXPECT_EQ(cache.bytesUsed(), 2 * imageBytes);
    // items[0] was the least recently used: it made room.
    EXPECT_FALSE(cache.image(items[0], previewSize));
}
