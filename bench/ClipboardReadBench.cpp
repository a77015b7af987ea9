// Figures of the X11 clipboard reader on a private Xvfb display: how soon a
// copy is seen, how long a 20 MB image takes through INCR, how soon a silent
// owner is given up, the longest main-thread stall meanwhile, and how long a
// 50 MB text copied with xclip takes to become an item in a history on disk
// (reader, monitor, parser, store and the panel's search index, as the
// program wires them). A timed harness rather than Google Benchmark: each
// run needs other processes.
//   clipboard_read_bench [--large-only]
#include "ChildProcess.h"
#include "FakeFrontmostApplicationSource.h"
#include "TestContent.h"
#include "XvfbSession.h"
#include "capture/ClipboardMonitor.h"
#include "capture/NotificationCenter.h"
#include "capture/SourceAppResolver.h"
#include "content/PasteboardTypes.h"
#include "core/AppState.h"
#include "core/PanelListModel.h"
#include "history/HistoryStore.h"
#include "history/StoreContainer.h"
#include "linux/x11/X11Pasteboard.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>

using namespace quillbox;
using namespace quillbox::testing;

namespace {

constexpr int textRuns = 20;
constexpr int imageRuns = 3;
constexpr int silentRuns = 3;
constexpr int largeTextRuns = 3;
constexpr qsizetype largeTextBytes = 50'000'000;
constexpr qint64 waitLimitMs = 30000;

// Serves events until the condition holds; the longest gap between two 1 ms
// timer ticks meanwhile is the main thread's longest stall.
struct Wait {
    double elapsedMs = -1;
    qint64 longestStallMs = 0;
};

Wait serveUntil(const std::function<bool()>& condition) {
    Wait wait;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        wait.longestStallMs = std::max(wait.longestStallMs, sinceTick.restart());
    });
    QElapsedTimer elapsed;
    elapsed.start();
    sinceTick.start();
    ticker.start();
    while (!condition()) {
        if (elapsed.elapsed() > waitLimitMs)
            return wait;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    // The event that met the condition may itself have held the thread.
    wait.longestStallMs = std::max(wait.longestStallMs, sinceTick.elapsed());
    wait.elapsedMs = double(elapsed.nsecsElapsed()) / 1e6;
    return wait;
}

// This process's resident memory in MB, from /proc.
double residentMegabytes() {
    QFile status(u"/proc/self/status"_qs);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return -1;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// A 50 MB text (lines of words, a non-ASCII letter in each) copied with xclip
// until its item is in the history: when the reader's snapshot reached the
// main thread, when the item was recorded, the longest main-thread stall (the
// tick that parses and records it), and the resident memory before the copy,
// once it is recorded and a second later, while xclip still owns it.
void measureLargeTextCopy(X11Pasteboard& pasteboard, const XvfbSession& session,
                          QTemporaryDir& files) {
    QByteArray text = largeText(largeTextBytes);
    FakeFrontmostApplicationSource frontmost;
    SourceAppResolver resolver(frontmost);
    NotificationCenter notifications;
    HistoryStore store(StoreContainer::makeShared(false, files.filePath(u"Quillbox.store"_qs)));
    AppState appState;
    PanelListModel panelList(store, appState);
    ClipboardMonitor monitor(pasteboard, store, resolver, notifications, {});
    monitor.start();

    std::vector<double> snapshotTimes;
    std::vector<double> recordTimes;
    qint64 stall = 0;
    std::vector<double> residentBefore;
    std::vector<double> residentRecorded;
    std::vector<double> residentLater;
    for (int run = 0; run < largeTextRuns; ++run) {
        // Each run's text differs, so each is a new item.
        text.replace(0, 8, QByteArray::number(10'000'000 + run));
        const QString path = files.filePath(u"large-text"_qs);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(text);
        file.close();
        // The previous run's owner has gone; its leaving is a change too.
        serveUntil([&] { return !pasteboard.types().has_value(); });
        const qint64 before = pasteboard.changeCount();
        const qsizetype itemsBefore = store.itemCount();
        residentBefore.push_back(residentMegabytes());
        ChildProcess owner(u"xclip"_qs,
                           {u"-quiet"_qs, u"-selection"_qs, u"clipboard"_qs, u"-i"_qs, path},
                           session.environment());
        QElapsedTimer elapsed;
        elapsed.start();
        double snapshotMs = -1;
        const Wait wait = serveUntil([&] {
            if (snapshotMs < 0 && pasteboard.changeCount() != before)
                snapshotMs = double(elapsed.nsecsElapsed()) / 1e6;
            return store.itemCount() > itemsBefore;
        });
        residentRecorded.push_back(residentMegabytes());
        serveUntil([&, settled = QDeadlineTimer(std::chrono::seconds(1))] {
            return settled.hasExpired();
        });
        residentLater.push_back(residentMegabytes());
        snapshotTimes.push_back(snapshotMs);
        recordTimes.push_back(wait.elapsedMs);
        stall = std::max(stall, wait.longestStallMs);
        const auto newest = store.allItems().value(0);
        if (!newest || newest->contentSize() != text.size())
            std::printf("  run %d: the item is not the whole text (%lld bytes)\n", run,
                        newest ? static_cast<long long>(newest->contentSize()) : -1LL);
    }
    std::printf("%.0f MB text copied with xclip (xclip start included): snapshot on the main "
                "thread after median %.0f ms, in the history after median %.0f ms over %d runs; "
                "longest main-thread stall %lld ms\n",
                double(largeTextBytes) / 1e6, median(snapshotTimes), median(recordTimes),
                largeTextRuns, static_cast<long long>(stall));
    for (int run = 0; run < largeTextRuns; ++run)
        std::printf("  run %d: resident %.0f MB before the copy, %.0f MB once recorded, %.0f MB a "
                    "second later\n",
                    run, residentBefore[std::size_t(run)], residentRecorded[std::size_t(run)],
                    residentLater[std::size_t(run)]);
    monitor.stop();
}

} // namespace

int main(int argc, char** argv) {
    XvfbSession session;
    if (!session.startForThisProcess(false))
        return 1;
    QGuiApplication app(argc, argv);
    QTemporaryDir files;
    X11Pasteboard pasteboard;
    serveUntil([&] { return pasteboard.hasReadInitialContents(); });
    if (app.arguments().contains(u"--large-only"_qs)) {
        measureLargeTextCopy(pasteboard, session, files);
        return 0;
    }

    const auto xclip = [&](const QString& target, const QByteArray& bytes) {
        const QString path = files.filePath(u"data"_qs);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        file.close();
        return std::make_unique<ChildProcess>(u"xclip"_qs,
                                              QStringList{u"-quiet"_qs, u"-selection"_qs,
                                                          u"clipboard"_qs, u"-t"_qs, target,
                                                          u"-i"_qs, path},
                                              session.environment());
    };

    std::vector<double> textTimes;
    for (int run = 0; run < textRuns; ++run) {
        const QString text = u"copy number %1"_qs.arg(run);
        const qint64 before = pasteboard.changeCount();
        auto owner = xclip(u"UTF8_STRING"_qs, text.toUtf8());
        const Wait wait = serveUntil([&] {
            return pasteboard.changeCount() != before &&
                   pasteboard.string(PasteboardType::string) == text;
        });
        textTimes.push_back(wait.elapsedMs);
    }
    std::printf("text copy seen after (xclip start included): median %.1f ms over %d runs\n",
                median(textTimes), textRuns);

    QImage image(2600, 2600, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", 100); // stored, not compressed: about 20 MB
    std::vector<double> imageTimes;
    qint64 imageStall = 0;
    for (int run = 0; run < imageRuns; ++run) {
        const qint64 before = pasteboard.changeCount();
        auto owner = xclip(u"image/png"_qs, png);
        const Wait wait = serveUntil([&] {
            return pasteboard.changeCount() != before &&
                   pasteboard.data(PasteboardType::png).value_or(QByteArray()).size() == png.size();
        });
        imageTimes.push_back(wait.elapsedMs);
        imageStall = std::max(imageStall, wait.longestStallMs);
    }
    std::printf("%.1f MB PNG through INCR: median %.1f ms over %d runs; longest main-thread "
                "stall %lld ms\n",
                double(png.size()) / 1e6, median(imageTimes), imageRuns,
                static_cast<long long>(imageStall));

    std::vector<double> silentTimes;
    qint64 silentStall = 0;
    for (int run = 0; run < silentRuns; ++run) {
        const qint64 before = pasteboard.changeCount();
        ChildProcess owner(QStringLiteral(QUILLBOX_TEST_OWNER),
                           {u"--mode"_qs, u"hang"_qs, u"--empty"_qs, u"UTF8_STRING"_qs},
                           session.environment());
        const Wait wait = serveUntil([&] {
            return pasteboard.changeCount() != before && pasteboard.types() &&
                   pasteboard.types()->isEmpty();
        });
        silentTimes.push_back(wait.elapsedMs);
        silentStall = std::max(silentStall, wait.longestStallMs);
    }
    std::printf("silent owner given up after: median %.1f ms over %d runs (owner start "
                "included); longest main-thread stall %lld ms\n",
                median(silentTimes), silentRuns, static_cast<long long>(silentStall));

    std::vector<double> writeTimes;
    for (int run = 0; run < textRuns; ++run) {
        PasteboardItem item;
        item.setString(u"own write %1"_qs.arg(run), PasteboardType::string);
        const qint64 before = pasteboard.changeCount();
        pasteboard.write({item});
        const Wait wait = serveUntil([&] {
            return pasteboard.changeCount() != before &&
                   pasteboard.string(PasteboardType::string) == u"own write %1"_qs.arg(run);
        });
        writeTimes.push_back(wait.elapsedMs);
    }
    std::printf("own write read back after: median %.1f ms over %d runs\n", median(writeTimes),
                textRuns);
    measureLargeTextCopy(pasteboard, session, files);
    return 0;
}
