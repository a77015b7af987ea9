// Figures of the Wayland clipboard on a private headless sway, beside those
// clipboard_read_bench and clipboard_burst_bench give for X11: how soon a
// copy made with wl-copy is seen and recorded (median and worst of 50), a
// 50 MB text from wl-copy to an item, and how many of 50 copies 0, 10 and 20
// ms apart are recorded by the monitor as they are handed over. A timed harness
// rather than Google Benchmark: each run needs other processes.
#include "ChildProcess.h"
#include "FakeFrontmostApplicationSource.h"
#include "SwaySession.h"
#include "TestContent.h"
#include "capture/ClipboardMonitor.h"
#include "capture/NotificationCenter.h"
#include "capture/SourceAppResolver.h"
#include "content/PasteboardTypes.h"
#include "history/HistoryStore.h"
#include "history/StoreContainer.h"
#include "linux/wayland/WaylandPasteboard.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

using namespace quillbox;
using namespace quillbox::testing;

namespace {

constexpr int latencyRuns = 50;
constexpr int largeTextRuns = 3;
constexpr qsizetype largeTextBytes = 50'000'000;
constexpr int copiesPerBurst = 50;
constexpr int burstSpacingsMs[] = {0, 10, 20};
constexpr qint64 waitLimitMs = 30000;

struct Wait {
    double elapsedMs = 0;
    qint64 longestStallMs = 0;
};

// Serves events until the condition holds; the time it took and the longest
// gap between two 1 ms timer ticks meanwhile (the main thread's longest stall).
Wait serveUntil(const std::function<bool()>& done, qint64 limitMs = waitLimitMs) {
    Wait wait;
    QElapsedTimer elapsed;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        wait.longestStallMs = std::max(wait.longestStallMs, sinceTick.restart());
    });
    elapsed.start();
    sinceTick.start();
    ticker.start();
    while (!done() && elapsed.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    wait.elapsedMs = double(elapsed.nsecsElapsed()) / 1e6;
    return wait;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double worst(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

// Starts wl-copy with its input from a file, without waiting for it: it
// forks its server and exits at once. Reaped by reapAll.
std::vector<pid_t> g_spawned;
void spawnCopy(const SwaySession& sway, const QString& path) {
    std::vector<QByteArray> environment;
    for (const QString& entry : sway.environment().toStringList())
        environment.push_back(entry.toLocal8Bit());
    std::vector<char*> envp;
    for (auto& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, path.toLocal8Bit().constData(), O_RDONLY, 0);
    char name[] = "wl-copy";
    char* argv[] = {name, nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "wl-copy", &actions, nullptr, argv, envp.data()) == 0)
        g_spawned.push_back(pid);
    posix_spawn_file_actions_destroy(&actions);
}
void reapAll() {
    for (const pid_t pid : g_spawned)
        ::waitpid(pid, nullptr, 0);
    g_spawned.clear();
}

QString writeFile(QTemporaryDir& files, const QString& name, const QByteArray& bytes) {
    const QString path = files.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

struct Recorder {
    explicit Recorder(Pasteboard& pasteboard)
        : monitor(pasteboard, store, resolver, notifications, {}) {
        monitor.start();
    }
    FakeFrontmostApplicationSource frontmost;
    SourceAppResolver resolver{frontmost};
    NotificationCenter notifications;
    HistoryStore store{StoreContainer::makeInMemory()};
    ClipboardMonitor monitor;
};

// Times copies made with wl-copy from the files `write` makes for each run:
// when the clipboard moved, and when the item was in the history.
struct CopyTimes {
    std::vector<double> seen;
    std::vector<double> recorded;
    qint64 longestStallMs = 0;
};

CopyTimes timeCopies(WaylandPasteboard& pasteboard, const SwaySession& sway, int runs,
                     const std::function<QString(int run)>& write,
                     const std::function<void(int run, HistoryStore& store)>& check = {}) {
    Recorder recorder(pasteboard);
    CopyTimes times;
    for (int run = 0; run < runs; ++run) {
        const QString path = write(run);
        const qint64 before = pasteboard.changeCount();
        const qsizetype items = recorder.store.itemCount();
        QElapsedTimer elapsed;
        elapsed.start();
        double seenMs = -1;
        spawnCopy(sway, path);
        const Wait wait = serveUntil([&] {
            if (seenMs < 0 && pasteboard.changeCount() != before)
                seenMs = double(elapsed.nsecsElapsed()) / 1e6;
            return recorder.store.itemCount() > items;
        });
        times.seen.push_back(seenMs);
        times.recorded.push_back(wait.elapsedMs);
        times.longestStallMs = std::max(times.longestStallMs, wait.longestStallMs);
        if (check)
            check(run, recorder.store);
        reapAll();
        QFile::remove(path);
    }
    return times;
}

void measureLatency(WaylandPasteboard& pasteboard, const SwaySession& sway, QTemporaryDir& files) {
    const CopyTimes times = timeCopies(pasteboard, sway, latencyRuns, [&files](int run) {
        return writeFile(files, u"text-%1"_qs.arg(run),
                         "wayland copy number " + QByteArray::number(run));
    });
    std::printf("text copy (wl-copy start included): seen after median %.1f ms, worst %.1f ms; "
                "recorded after median %.0f ms, worst %.0f ms over %d runs; longest main-thread "
                "stall %lld ms\n",
                median(times.seen), worst(times.seen), median(times.recorded),
                worst(times.recorded), latencyRuns, static_cast<long long>(times.longestStallMs));
}

void measureLargeText(WaylandPasteboard& pasteboard, const SwaySession& sway,
                      QTemporaryDir& files) {
    QByteArray text = largeText(largeTextBytes);
    const CopyTimes times = timeCopies(
        pasteboard, sway, largeTextRuns,
        [&](int run) {
            text.replace(0, 8, QByteArray::number(10'000'000 + run));
            return writeFile(files, u"large-%1"_qs.arg(run), text);
        },
        [&text](int run, HistoryStore& store) {
            const auto newest = store.allItems().value(0);
            if (!newest || newest->contentSize() != text.size())
                std::printf("  run %d: the item is not the whole text\n", run);
        });
    std::printf("%.0f MB text copied with wl-copy: snapshot on the main thread after median "
                "%.0f ms (worst %.0f), in the history after median %.0f ms (worst %.0f) over %d "
                "runs; longest main-thread stall %lld ms\n",
                double(largeTextBytes) / 1e6, median(times.seen), worst(times.seen),
                median(times.recorded), worst(times.recorded), largeTextRuns,
                static_cast<long long>(times.longestStallMs));
}

void measureBursts(WaylandPasteboard& pasteboard, const SwaySession& sway, QTemporaryDir& files) {
    int burstNumber = 0;
    for (const int spacing : burstSpacingsMs) {
        Recorder recorder(pasteboard);
        ++burstNumber;
        std::vector<QString> paths;
        for (int i = 0; i < copiesPerBurst; ++i)
            paths.push_back(writeFile(
                files, u"burst-%1-%2"_qs.arg(burstNumber).arg(i),
                u"burst %1 at %2 ms, copy %3"_qs.arg(burstNumber).arg(spacing).arg(i).toUtf8()));
        QElapsedTimer clock;
        clock.start();
        qint64 stall = 0;
        for (int i = 0; i < copiesPerBurst; ++i) {
            const qint64 due = qint64(i) * spacing;
            stall =
                std::max(stall, serveUntil([&] { return clock.elapsed() >= due; }).longestStallMs);
            spawnCopy(sway, paths[std::size_t(i)]);
        }
        stall = std::max(stall, serveUntil([] { return false; }, 2000).longestStallMs);
        reapAll();
        std::printf("%3d ms apart: %2lld of %d recorded; longest main-thread stall %lld ms\n",
                    spacing, static_cast<long long>(recorder.store.itemCount()), copiesPerBurst,
                    static_cast<long long>(stall));
    }
}

} // namespace

int main(int argc, char** argv) {
    SwaySession sway;
    if (!sway.startForThisProcess())
        return 1;
    qputenv("QT_QPA_PLATFORM", "offscreen"); // no windows: only our own connection
    QGuiApplication app(argc, argv);
    QTemporaryDir files;
    WaylandPasteboard pasteboard;
    if (!pasteboard.isAvailable()) {
        std::printf("no data control on the private sway\n");
        return 1;
    }
    serveUntil([&] { return pasteboard.hasReadInitialContents(); });
    std::printf("Wayland clipboard through %s on headless sway\n",
                qPrintable(pasteboard.dataControlManager()));
    measureLatency(pasteboard, sway, files);
    measureLargeText(pasteboard, sway, files);
    measureBursts(pasteboard, sway, files);
    return 0;
}
