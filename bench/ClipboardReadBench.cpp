// Figures of the X11 clipboard reader on a private Xvfb display: how soon a
// copy is seen, how long a 20 MB image takes through INCR, how soon a silent
// owner is given up, and the longest main-thread stall meanwhile. A timed
// harness rather than Google Benchmark: each run needs other processes.
#include "ChildProcess.h"
#include "XvfbSession.h"
#include "content/PasteboardTypes.h"
#include "linux/X11Pasteboard.h"

#include <QBuffer>
#include <QElapsedTimer>
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
    wait.elapsedMs = double(elapsed.nsecsElapsed()) / 1e6;
    return wait;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
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
    return 0;
}
