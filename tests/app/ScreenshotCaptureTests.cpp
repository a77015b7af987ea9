// Screenshots in a real folder watched with inotify, recorded into a store in
// memory by the application services: chunked writes, names, the preference
// switch, damaged files and the same image on the clipboard.
#include "AppTestSupport.h"
#include "LogCapture.h"
#include "capture/ClipboardMonitor.h"
#include "capture/NotificationCenter.h"
#include "content/AppConstants.h"
#include "linux/desktop/InotifyDirectoryWatcher.h"
#include "ports/TextRecognizer.h"
#include "support/X11TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace quillbox::testing {
namespace {

// Reads the same words in every image, and says on which thread it ran.
class WordsRecognizer : public TextRecognizer {
public:
    TextRecognition recognize(const QImage&) override {
        ranOnMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        return {u"quarterly figures"_s, {}};
    }
    std::atomic<bool> ranOnMainThread{false};
};

// Long enough for the debounce and the size check to have run twice over.
constexpr auto settleTime = 1500ms;

class ScreenshotCapture : public ::testing::Test {
protected:
    void SetUp() override {
        // A home of our own: no tool settings, Pictures/Screenshots exists.
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CURRENT_DESKTOP"})
            m_saved.emplace_back(name, qgetenv(name));
        qputenv("HOME", home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", home.filePath(u".config"_s).toLocal8Bit());
        qunsetenv("XDG_CURRENT_DESKTOP");
        ASSERT_TRUE(QDir(home.path()).mkpath(u"Pictures/Screenshots"_s));
        folder = home.filePath(u"Pictures/Screenshots"_s);

        app = std::make_unique<FakeApp>([this](AppPlatform& platform) {
            platform.directoryWatcher = std::make_unique<InotifyDirectoryWatcher>();
            platform.textRecognizer = recognizer;
        });
        services = app->services.get();
        QObject::connect(&NotificationCenter::shared(), &NotificationCenter::screenshotCaptured,
                         &context, [this](const ClipboardItemPtr&) { ++captured; });
    }

    void TearDown() override {
        app.reset();
        for (const auto& [name, value] : m_saved)
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }

    HistoryStore& store() { return app->store(); }
    QString pathOf(const QString& name) const { return folder + u'/' + name; }
    void writeScreenshot(const QString& name, const QByteArray& bytes) {
        ASSERT_TRUE(writeFile(pathOf(name), bytes));
    }

    QTemporaryDir home;
    QString folder;
    std::unique_ptr<FakeApp> app;
    AppServices* services = nullptr;
    std::shared_ptr<WordsRecognizer> recognizer = std::make_shared<WordsRecognizer>();
    QObject context;
    int captured = 0;

private:
    std::vector<std::pair<const char*, QByteArray>> m_saved;
};

QByteArray screenshotPNG(int seed = 0) {
    QImage image = gradientImage(320, 200);
    image.setPixel(seed % 320, 0, qRgb(255, seed % 256, 0));
    return encodedImage(image, "PNG");
}

TEST_F(ScreenshotCapture, AScreenshotWrittenInChunksIsRecordedOnceWithItsFullContent) {
    writeScreenshot(u"Screenshot from 2026-12-01 09-00-00.png"_s, screenshotPNG(1)); // before start
    services->start();

    const QString name = u"Screenshot from 2026-12-06 10-00-00.png"_s;
    const QByteArray bytes = screenshotPNG(2);
    {
        QFile file(pathOf(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const qsizetype chunk = bytes.size() / 3 + 1;
        for (qsizetype offset = 0; offset < bytes.size(); offset += chunk) {
            file.write(bytes.mid(offset, chunk));
            file.flush();
            serveFor(200ms);
        }
    }
    writeScreenshot(u"holiday.png"_s, screenshotPNG(3)); // not a screenshot's name
    ASSERT_TRUE(waitUntil([&] { return !store().allItems().isEmpty(); }, 3s));
    serveFor(settleTime);

    const auto items = store().allItems();
    ASSERT_EQ(items.size(), 1);
    const auto& item = items.first();
    EXPECT_EQ(item->content(), bytes);
    EXPECT_EQ(item->sourceAppName(), u"Screenshot"_s);
    EXPECT_EQ(item->title(), u"Screenshot"_s);
    EXPECT_EQ(item->plainText(), name);
    EXPECT_EQ(item->filePath(), pathOf(name));
    EXPECT_EQ(item->contentType(), PasteboardType::png);
    EXPECT_EQ(captured, 1);
    // Its words are read afterwards, off the main thread.
    EXPECT_TRUE(waitUntil([&] { return item->ocrText() == u"quarterly figures"_s; }));
    EXPECT_FALSE(recognizer->ranOnMainThread);
}

TEST_F(ScreenshotCapture, AFolderThatDoesNotExistYetIsWatchedForQuietlyUntilItAppears) {
    // A fresh home: no Pictures and no Desktop, so the last resort, Desktop.
    ASSERT_TRUE(QDir(home.filePath(u"Pictures"_s)).removeRecursively());
    LogCapture log;
    services->start();
    serveFor(200ms);
    EXPECT_FALSE(log.contains(u"cannot watch"_s) || log.contains(u"failed to open"_s))
        << log.lines().join(u'\n').toStdString();

    ASSERT_TRUE(QDir(home.path()).mkdir(u"Desktop"_s));
    ASSERT_TRUE(
        writeFile(home.filePath(u"Desktop/Screenshot_20261206_110000.png"_s), screenshotPNG(11)));
    ASSERT_TRUE(waitUntil([&] { return store().allItems().size() == 1; }, 3s));
    EXPECT_EQ(store().allItems().first()->filePath(),
              home.filePath(u"Desktop/Screenshot_20261206_110000.png"_s));
}

TEST_F(ScreenshotCapture, OnlyScreenshotsTakenWhileSwitchedOnAndReadableAreRecorded) {
    services->start();
    app->preferences->setValue(AppConstants::Keys::screenshotMonitoringEnabled, false);
    writeScreenshot(u"Screenshot_20261206_100000.png"_s, screenshotPNG(4));
    serveFor(settleTime);
    EXPECT_TRUE(store().allItems().isEmpty());

    // Back on: only what is taken from now on, and a damaged file is logged and skipped.
    app->preferences->setValue(AppConstants::Keys::screenshotMonitoringEnabled, true);
    LogCapture log;
    QByteArray damaged = screenshotPNG(6);
    damaged.truncate(damaged.size() / 2);
    writeScreenshot(u"Screenshot_2026-12-06_10-02-00.png"_s, damaged);
    serveFor(settleTime);
    writeScreenshot(u"Screenshot_2026-12-06_10-02-05.png"_s, screenshotPNG(7));
    ASSERT_TRUE(waitUntil([&] { return !store().allItems().isEmpty(); }, 3s));
    serveFor(settleTime);

    ASSERT_EQ(store().allItems().size(), 1);
    EXPECT_EQ(store().allItems().first()->plainText(), u"Screenshot_2026-12-06_10-02-05.png"_s);
    EXPECT_TRUE(log.contains(u"Screenshot_2026-12-06_10-02-00.png"_s) &&
                log.contains(u"is not a readable image"_s))
        << log.lines().join(u'\n').toStdString();
}

TEST_F(ScreenshotCapture, AScreenshotAlsoPutOnTheClipboardIsOneItem) {
    // GNOME Shell writes the same PNG bytes to the file and the clipboard.
    services->start();
    const QByteArray bytes = screenshotPNG(8);
    app->pasteboard->setContents({PasteboardType::png});
    app->pasteboard->setData(PasteboardType::png, bytes);
    services->clipboardMonitor()->checkForChanges();
    ASSERT_EQ(store().allItems().size(), 1);

    writeScreenshot(u"Screenshot From 2026-12-06 10-03-00.png"_s, bytes);
    serveFor(settleTime);
    EXPECT_EQ(store().allItems().size(), 1);
    EXPECT_EQ(captured, 0);
}

TEST_F(ScreenshotCapture, TheFolderIsFollowedByItsPathWhenMadeRemovedOrRenamedAndMadeAgain) {
    // GNOME makes the folder with the first screenshot: Pictures is watched until then.
    ASSERT_TRUE(QDir(folder).removeRecursively());
    services->start();
    ASSERT_TRUE(QDir().mkdir(folder));
    writeScreenshot(u"Screenshot from 2026-12-06 10-04-00.png"_s, screenshotPNG(9));
    ASSERT_TRUE(waitUntil([&] { return store().allItems().size() == 1; }, 3s));

    ASSERT_TRUE(QDir(folder).removeRecursively());
    serveFor(100ms);
    ASSERT_TRUE(QDir().mkdir(folder));
    writeScreenshot(u"Screenshot from 2026-12-06 10-07-00.png"_s, screenshotPNG(12));
    ASSERT_TRUE(waitUntil([&] { return store().allItems().size() == 2; }, 3s));

    const QString renamed = home.filePath(u"Pictures/Earlier"_s);
    ASSERT_TRUE(QDir().rename(folder, renamed));
    serveFor(100ms);
    ASSERT_TRUE(QDir().mkdir(folder));
    ASSERT_TRUE(
        writeFile(renamed + u"/Screenshot from 2026-12-06 10-08-00.png"_s, screenshotPNG(13)));
    writeScreenshot(u"Screenshot from 2026-12-06 10-09-00.png"_s, screenshotPNG(14));
    ASSERT_TRUE(waitUntil([&] { return store().allItems().size() == 3; }, 3s));
    serveFor(settleTime);
    ASSERT_EQ(store().allItems().size(), 3);
    EXPECT_EQ(store().allItems().first()->plainText(),
              u"Screenshot from 2026-12-06 10-09-00.png"_s);
}

TEST_F(ScreenshotCapture, AJpegWrittenWithAPauseIsRecordedOnceFinished) {
    services->start();
    const QString name = u"Screenshot_2026-12-06_10-06-00.jpg"_s;
    const QByteArray bytes = encodedImage(gradientImage(640, 480), "JPEG", 90);
    {
        QFile file(pathOf(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.left(bytes.size() / 2));
        file.flush();
        serveFor(1500ms); // the tool pauses with the file open
        file.write(bytes.mid(bytes.size() / 2));
    }
    ASSERT_TRUE(waitUntil([&] { return !store().allItems().isEmpty(); }, 3s));
    serveFor(settleTime);
    ASSERT_EQ(store().allItems().size(), 1);
    EXPECT_EQ(store().allItems().first()->content(), bytes);
}

TEST_F(ScreenshotCapture, ScreenshotsTooCostlyToPreviewAreRecordedWithoutAPreview) {
    services->start();
    QImage huge(8200, 8000, QImage::Format_Mono);
    huge.fill(0);
    const struct {
        QString name;
        QByteArray bytes;
        QString dimensions;
    } rows[] = {
        {u"Screenshot_2026-12-06_10-10-00.png"_s, encodedImage(huge, "PNG"), u"8200 x 8000"_s},
        {u"Screenshot_2026-12-06_10-10-01.jpg"_s, progressiveJpegWithEmptyScans(256, 256, 2000),
         u"256 x 256"_s},
    };
    for (const auto& row : rows)
        writeScreenshot(row.name, row.bytes);
    ASSERT_TRUE(waitUntil([&] { return store().allItems().size() == 2; }, 5s));
    for (const auto& item : store().allItems()) {
        const auto row = std::find_if(std::begin(rows), std::end(rows),
                                      [&](const auto& r) { return r.name == item->plainText(); });
        ASSERT_NE(row, std::end(rows));
        EXPECT_EQ(item->imageDimensions(), row->dimensions);
        EXPECT_FALSE(item->thumbnailData());
    }
}

TEST_F(ScreenshotCapture, ManyScreenshotsArrivingAtOnceAreRecordedInOrderWhileTheMainThreadRuns) {
    services->start();
    // Distinct files that each cost a full decode: one picture with a
    // numbered text chunk in front of its end.
    const QByteArray png = encodedImage(gradientImage(1920, 1080), "PNG");
    const auto numbered = [&](int number) {
        QByteArray chunk = QByteArray("tEXtn\0", 6) + QByteArray::number(number);
        quint32 crc = 0xFFFFFFFFu;
        for (const char byte : chunk) {
            crc ^= static_cast<quint8>(byte);
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
        crc = ~crc;
        QByteArray bytes;
        for (const quint32 value : {quint32(chunk.size() - 4), crc}) {
            for (int shift = 24; shift >= 0; shift -= 8)
                bytes.append(static_cast<char>(value >> shift));
        }
        return png.left(png.size() - 12) + bytes.left(4) + chunk + bytes.mid(4) + png.right(12);
    };
    QTemporaryDir staging(home.filePath(u"staging-XXXXXX"_s));
    const int count = 20;
    QStringList names;
    for (int i = 0; i < count; ++i) {
        names.append(u"Screenshot_2026-12-06_12-%1-00.png"_s.arg(i, 3, 10, QChar(u'0')));
        ASSERT_TRUE(writeFile(staging.filePath(names.last()), numbered(i)));
    }
    for (const QString& name : names)
        ASSERT_TRUE(QFile::rename(staging.filePath(name), pathOf(name)));

    QElapsedTimer sinceTick;
    sinceTick.start();
    qint64 longestGap = 0;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
    ticks.start(20);
    ASSERT_TRUE(waitUntil([&] { return store().allItems().size() == count; }, 120s));
    ticks.stop();
    EXPECT_LT(longestGap, 1000) << "the main thread stood still that many milliseconds";
    QStringList recorded;
    for (const auto& item : store().allItems())
        recorded.prepend(item->plainText().value_or(QString()));
    EXPECT_EQ(recorded.join(u'\n').toStdString(), names.join(u'\n').toStdString());
}

} // namespace
} // namespace quillbox::testing
