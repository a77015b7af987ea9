// The Wayland clipboard against a real headless sway, with real clients
// (wl-copy, wl-paste and a data-control source that can misbehave), through
// the pasteboard, the monitor and a store in memory.
#include "FakeFrontmostApplicationSource.h"
#include "LogCapture.h"
#include "TestContent.h"
#include "WaylandTestEnvironment.h"
#include "capture/ClipboardMonitor.h"
#include "capture/NotificationCenter.h"
#include "capture/SourceAppResolver.h"
#include "content/AppConstants.h"
#include "content/PasteboardTypes.h"
#include "history/HistoryStore.h"
#include "history/StoreContainer.h"
#include "linux/wayland/WaylandPasteboard.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace quillbox;
using namespace quillbox::testing;
using namespace std::chrono_literals;

namespace {

class WaylandPasteboardTest : public ::testing::Test {
protected:
    void SetUp() override { usePasteboard({}); }

    void usePasteboard(const WaylandReadLimits& limits) {
        m_monitor.reset();
        m_pasteboard = std::make_unique<WaylandPasteboard>(limits);
        ASSERT_TRUE(m_pasteboard->isAvailable());
        ASSERT_TRUE(waitUntil([this] { return m_pasteboard->hasReadInitialContents(); }));
        m_monitor = std::make_unique<ClipboardMonitor>(*m_pasteboard, m_store, m_resolver,
                                                       m_notifications, std::function<void()>{});
        m_monitor->start();
    }

    // Our test source offering MIME type → data, in the given mode; waits
    // until its selection is in place.
    std::unique_ptr<ChildProcess> startSource(const QList<QPair<QString, QByteArray>>& types,
                                              const QString& mode = u"serve"_qs) {
        QStringList arguments{u"--mode"_qs, mode};
        for (const auto& [mimeType, bytes] : types) {
            const QString path = m_files.filePath(QString::number(++m_fileCount));
            EXPECT_TRUE(writeFile(path, bytes));
            arguments << u"--type"_qs << mimeType << path;
        }
        auto source =
            std::make_unique<ChildProcess>(QStringLiteral(QUILLBOX_TEST_SOURCE), arguments,
                                           WaylandTestEnvironment::session().environment());
        QByteArray output;
        EXPECT_TRUE(source->waitStarted());
        EXPECT_TRUE(waitUntil([&] {
            output += source->readAllStandardOutput();
            return output.contains("owned") || !source->isRunning();
        }));
        EXPECT_TRUE(output.contains("owned")) << source->readAllStandardError().constData();
        return source;
    }

    QStringList recordedTexts() const {
        QStringList texts;
        for (const auto& item : m_store.allItems())
            texts.prepend(item->plainText().value_or(u"<%1>"_qs.arg(item->category())));
        return texts;
    }

    QTemporaryDir m_files;
    int m_fileCount = 0;
    FakeFrontmostApplicationSource m_frontmost;
    SourceAppResolver m_resolver{m_frontmost};
    NotificationCenter m_notifications;
    HistoryStore m_store{StoreContainer::makeInMemory()};
    std::unique_ptr<WaylandPasteboard> m_pasteboard;
    std::unique_ptr<ClipboardMonitor> m_monitor;
};

TEST_F(WaylandPasteboardTest, TextAndImageCopiedByAnotherClientAreRecorded) {
    ASSERT_TRUE(wlCopy("copied on Wayland"));
    ASSERT_TRUE(waitUntil([&] { return m_store.itemCount() == 1; }));
    EXPECT_EQ(m_store.allItems().first()->plainText(), u"copied on Wayland"_qs);
    EXPECT_EQ(m_pasteboard->string(PasteboardType::string), u"copied on Wayland"_qs);

    const QByteArray png = solidPng(Qt::red);
    ASSERT_TRUE(wlCopy(png, {u"--type"_qs, u"image/png"_qs}));
    ASSERT_TRUE(waitUntil([&] { return m_store.itemCount() == 2; }));
    const auto image = m_store.allItems().first();
    EXPECT_EQ(image->category(), u"image"_qs);
    EXPECT_EQ(image->content(), png);
}

// Password managers flag what they copy; nothing of it is even fetched.
TEST_F(WaylandPasteboardTest, CopyFlaggedAsSecretIsNeitherFetchedNorRecorded) {
    const qint64 before = m_pasteboard->changeCount();
    auto source = startSource(
        {{u"text/plain;charset=utf-8"_qs, "hunter2"}, {u"x-kde-passwordManagerHint"_qs, "secret"}});
    ASSERT_TRUE(waitUntil([&] { return m_pasteboard->changeCount() != before; }));
    EXPECT_FALSE(m_pasteboard->string(PasteboardType::string).has_value());
    serveFor(600ms); // a poll of the monitor
    EXPECT_EQ(m_store.itemCount(), 0);
}

// A source that offers text and never writes it is given up on; the main
// thread goes on meanwhile, and the next copy is recorded.
TEST_F(WaylandPasteboardTest, SourceThatNeverWritesStallsNothing) {
    WaylandReadLimits limits;
    limits.idleTimeout = 500ms;
    usePasteboard(limits);
    LogCapture log;
    auto silent = startSource({{u"text/plain;charset=utf-8"_qs, "never sent"}}, u"silent"_qs);

    // The event loop keeps turning: the longest gap between two ticks of a
    // 10 ms timer stays far below the source's timeout.
    qint64 longestGap = 0;
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
    ticker.start(10);
    serveFor(500ms);
    ASSERT_TRUE(wlCopy("after the silent one"));
    ASSERT_TRUE(
        waitUntil([&] { return recordedTexts().contains(u"after the silent one"_qs); }, 5s));
    ticker.stop();
    EXPECT_LT(longestGap, 250);
    EXPECT_EQ(recordedTexts(), QStringList{u"after the silent one"_qs});
    EXPECT_TRUE(log.contains(u"did not send text/plain;charset=utf-8"_qs))
        << log.lines().join(u"\n"_qs).toStdString();
}

TEST_F(WaylandPasteboardTest, EveryCopyOfABurstIsRecordedInOrder) {
    constexpr int copies = 50;
    QStringList copied;
    QElapsedTimer sinceCopy;
    for (int i = 0; i < copies; ++i) {
        if (sinceCopy.isValid())
            waitUntil([&] { return sinceCopy.elapsed() >= 20; }, 1s);
        const qint64 before = m_pasteboard->changeCount();
        copied.append(u"burst copy %1"_qs.arg(i));
        sinceCopy.start();
        ASSERT_TRUE(wlCopy(copied.last().toUtf8()));
        // A copy's source is gone once the next replaces it: each must have
        // been seen first (within milliseconds; this only matters on a
        // machine so loaded that our thread waits longer than the spacing).
        ASSERT_TRUE(waitUntil([&] { return m_pasteboard->changeCount() != before; }, 2s));
    }
    ASSERT_TRUE(waitUntil([&] { return m_store.itemCount() == copies; }, 10s))
        << m_store.itemCount() << " of " << copies << " recorded";
    EXPECT_EQ(recordedTexts(), copied);
}

// A representation larger than the cap is left out whole; one within it is
// read whole, however many writes the source needs.
TEST_F(WaylandPasteboardTest, LargeCopiesAreReadWholeOrNotAtAll) {
    WaylandReadLimits limits;
    limits.maximumRepresentationSize = 4 * 1024 * 1024;
    usePasteboard(limits);
    const QByteArray fits(3 * 1024 * 1024, 'a');
    const QByteArray tooLarge(5 * 1024 * 1024, 'b');

    qint64 before = m_pasteboard->changeCount();
    ASSERT_TRUE(wlCopy(fits, {u"--type"_qs, u"text/plain;charset=utf-8"_qs}));
    ASSERT_TRUE(waitUntil([&] { return m_pasteboard->changeCount() != before; }));
    // The monitor takes it as soon as it is read, and with it the only copy
    // of a text this large: what it recorded is all of it.
    ASSERT_TRUE(waitUntil([&] { return m_store.itemCount() == 1; }));
    EXPECT_EQ(m_store.allItems().first()->plainText(), QString::fromLatin1(fits));

    LogCapture log;
    before = m_pasteboard->changeCount();
    ASSERT_TRUE(wlCopy(tooLarge, {u"--type"_qs, u"text/plain;charset=utf-8"_qs}));
    ASSERT_TRUE(waitUntil([&] { return m_pasteboard->changeCount() != before; }));
    EXPECT_FALSE(m_pasteboard->data(PasteboardType::string).has_value());
    EXPECT_TRUE(log.contains(u"is larger than"_qs)) << log.lines().join(u"\n"_qs).toStdString();
}

// What Quillbox writes: another client reads every type back, the monitor
// does not record it, and copies after it are recorded again.
TEST_F(WaylandPasteboardTest, OwnWriteIsOfferedToOthersAndNotRecordedBack) {
    struct Row {
        const char* name;
        PasteboardItem item;
        QList<QPair<QString, QByteArray>> expected; // wl-paste --type → bytes
    };
    auto item = [](std::initializer_list<std::pair<QString, QByteArray>> entries) {
        PasteboardItem result;
        for (const auto& [type, bytes] : entries)
            result.setData(bytes, type);
        result.setData({}, AppConstants::internalPasteboardType);
        return result;
    };
    const QByteArray png = solidPng(Qt::blue);
    const QList<Row> rows = {
        {"text",
         item({{PasteboardType::string, "written by Quillbox ✓"}}),
         {{u"text/plain;charset=utf-8"_qs, "written by Quillbox ✓"},
          {u"text/plain"_qs, "written by Quillbox ✓"},
          {u"UTF8_STRING"_qs, "written by Quillbox ✓"}}},
        {"rich text",
         item({{PasteboardType::rtf, "{\\rtf1 bold}"}, {PasteboardType::string, "bold"}}),
         {{u"text/rtf"_qs, "{\\rtf1 bold}"}, {u"text/plain"_qs, "bold"}}},
        {"image", item({{PasteboardType::png, png}}), {{u"image/png"_qs, png}}},
        {"files",
         item({{PasteboardType::fileURL, "file:///tmp/a%20b.txt"}}),
         {{u"text/uri-list"_qs, "file:///tmp/a%20b.txt\r\n"},
          {u"x-special/gnome-copied-files"_qs, "copy\nfile:///tmp/a%20b.txt"},
          {u"text/plain"_qs, "/tmp/a b.txt"}}},
        {"colour",
         item({{PasteboardType::color, encodeColorData(QColor(255, 0, 0))}}),
         {{u"application/x-color"_qs, encodeColorData(QColor(255, 0, 0))}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const qint64 before = m_pasteboard->changeCount();
        ASSERT_TRUE(m_pasteboard->write({row.item}));
        // The compositor takes the selection a moment later.
        ASSERT_TRUE(waitUntil([] {
            return wlPaste({u"--list-types"_qs})
                .contains(AppConstants::internalPasteboardType.toUtf8());
        }));
        for (const auto& [mimeType, bytes] : row.expected) {
            EXPECT_EQ(wlPaste({u"--no-newline"_qs, u"--type"_qs, mimeType}), bytes)
                << mimeType.toStdString();
        }
        // Moved once, by the write: the selection it caused is not read back.
        EXPECT_EQ(m_pasteboard->changeCount(), before + 1);
    }
    serveFor(600ms); // a poll of the monitor
    EXPECT_EQ(m_store.itemCount(), 0);

    ASSERT_TRUE(wlCopy("copied after our own"));
    ASSERT_TRUE(waitUntil([&] { return m_store.itemCount() == 1; }));
    EXPECT_EQ(recordedTexts(), QStringList{u"copied after our own"_qs});
}

} // namespace
