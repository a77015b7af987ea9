// How many of a burst of copies reach the history: 50 distinct texts written
// with xclip at 0, 5, 10, 20 and 50 ms apart on a private Xvfb, recorded by
// the clipboard monitor as they are handed over, into a store in memory.
// Also the main thread's longest stall while a burst is read, and the same
// for 20 copies 10 and 100 ms apart made while a 50 MB text copied just before
// is still being read. A timed harness rather than Google Benchmark: each run
// needs other processes.
#include "ChildProcess.h"
#include "FakeFrontmostApplicationSource.h"
#include "XvfbSession.h"
#include "capture/ClipboardMonitor.h"
#include "capture/NotificationCenter.h"
#include "capture/SourceAppResolver.h"
#include "history/HistoryStore.h"
#include "history/StoreContainer.h"
#include "linux/x11/X11Pasteboard.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

using namespace quillbox;
using namespace quillbox::testing;

namespace {

constexpr int copiesPerBurst = 50;
constexpr int spacingsMs[] = {0, 5, 10, 20, 50};
// Long enough for the last copy to be read and for two more ticks to pass.
constexpr qint64 settleMs = 1500;
constexpr qint64 waitLimitMs = 30000;
// Copies made while a large one is read: the large copy's size, and how long
// after it the burst begins (xclip has read it and the transfer is under way).
constexpr qsizetype largeCopyBytes = 50'000'000;
constexpr qint64 largeCopyHeadStartMs = 400;
constexpr int copiesDuringLargeRead = 20;
constexpr int spacingsDuringLargeReadMs[] = {10, 100};

// Serves events for a while or until the condition holds; returns the
// longest gap between two 1 ms timer ticks meanwhile (the main thread's
// longest stall).
qint64 serve(qint64 durationMs, const std::function<bool()>& until = {}) {
    qint64 longestStall = 0;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longestStall = std::max(longestStall, sinceTick.restart()); });
    QElapsedTimer elapsed;
    elapsed.start();
    sinceTick.start();
    ticker.start();
    while (elapsed.elapsed() < durationMs && !(until && until())) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return longestStall;
}

struct Burst {
    int recorded = 0;
    int inOrder = 0; // recorded items whose copy order matches their record order
    qint64 longestStallMs = 0;
};

Burst runBurst(X11Pasteboard& pasteboard, const XvfbSession& session, QTemporaryDir& files,
               int spacingMs, int burstNumber, int copies = copiesPerBurst,
               const QString& largeCopyPath = {}) {
    FakeFrontmostApplicationSource frontmost;
    SourceAppResolver resolver(frontmost);
    NotificationCenter notifications;
    HistoryStore store(StoreContainer::makeInMemory());
    ClipboardMonitor monitor(pasteboard, store, resolver, notifications, {});
    monitor.start();

    std::vector<QString> texts;
    for (int i = 0; i < copies; ++i) {
        texts.push_back(u"burst %1 at %2 ms, copy %3"_qs.arg(burstNumber).arg(spacingMs).arg(i));
        QFile file(files.filePath(u"copy-%1-%2"_qs.arg(burstNumber).arg(i)));
        file.open(QIODevice::WriteOnly);
        file.write(texts.back().toUtf8());
    }

    Burst burst;
    std::vector<std::unique_ptr<ChildProcess>> owners;
    if (!largeCopyPath.isEmpty()) {
        owners.push_back(std::make_unique<ChildProcess>(
            u"xclip"_qs,
            QStringList{u"-quiet"_qs, u"-selection"_qs, u"clipboard"_qs, u"-i"_qs, largeCopyPath},
            session.environment()));
        serve(largeCopyHeadStartMs);
    }
    QElapsedTimer clock;
    clock.start();
    // While a large copy is read, the tick that records it holds the main
    // thread for a while; copies are then started from a thread of their own,
    // or they would all start at once when the tick ends.
    std::vector<pid_t> spawned;
    std::thread spawner;
    if (!largeCopyPath.isEmpty()) {
        spawner = std::thread([&, copies] {
            std::vector<QByteArray> environment;
            for (const QString& entry : session.environment().toStringList())
                environment.push_back(entry.toLocal8Bit());
            std::vector<char*> envp;
            for (auto& entry : environment)
                envp.push_back(entry.data());
            envp.push_back(nullptr);
            for (int i = 0; i < copies; ++i) {
                std::this_thread::sleep_until(std::chrono::steady_clock::now() +
                                              std::chrono::milliseconds(std::max<qint64>(
                                                  0, qint64(i) * spacingMs - clock.elapsed())));
                QByteArray path =
                    files.filePath(u"copy-%1-%2"_qs.arg(burstNumber).arg(i)).toLocal8Bit();
                QByteArray arguments[] = {"xclip", "-quiet",      "-selection", "clipboard",
                                          "-t",    "UTF8_STRING", "-i",         path};
                char* argv[] = {arguments[0].data(), arguments[1].data(), arguments[2].data(),
                                arguments[3].data(), arguments[4].data(), arguments[5].data(),
                                arguments[6].data(), arguments[7].data(), nullptr};
                pid_t pid = 0;
                if (posix_spawnp(&pid, "xclip", nullptr, nullptr, argv, envp.data()) == 0)
                    spawned.push_back(pid);
            }
        });
        copies = 0; // started by the thread
    }
    for (int i = 0; i < copies; ++i) {
        // Each copy starts at its own time from the burst's start, so a slow
        // start of one xclip does not push the others back.
        const qint64 due = qint64(i) * spacingMs;
        if (clock.elapsed() < due)
            burst.longestStallMs =
                std::max(burst.longestStallMs,
                         serve(due - clock.elapsed(), [&] { return clock.elapsed() >= due; }));
        owners.push_back(std::make_unique<ChildProcess>(
            u"xclip"_qs,
            QStringList{u"-quiet"_qs, u"-selection"_qs, u"clipboard"_qs, u"-t"_qs,
                        u"UTF8_STRING"_qs, u"-i"_qs,
                        files.filePath(u"copy-%1-%2"_qs.arg(burstNumber).arg(i))},
            session.environment()));
    }
    burst.longestStallMs =
        std::max(burst.longestStallMs, serve(largeCopyPath.isEmpty() ? settleMs : 4 * settleMs));
    if (spawner.joinable()) {
        spawner.join();
        // Ended by the ids they were started with.
        for (const pid_t pid : spawned) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }

    // History is newest first; turn it back into the order of recording.
    QStringList recorded;
    for (const auto& item : store.allItems())
        recorded.prepend(item->plainText().value_or(QString()));
    const QSet<QString> ours(texts.begin(), texts.end());
    int lastIndex = -1;
    for (const auto& text : recorded) {
        if (!ours.contains(text))
            continue;
        ++burst.recorded;
        const auto index = int(std::find(texts.begin(), texts.end(), text) - texts.begin());
        if (index > lastIndex)
            ++burst.inOrder;
        lastIndex = std::max(lastIndex, index);
    }
    monitor.stop();
    owners.clear();
    return burst;
}

} // namespace

int main(int argc, char** argv) {
    XvfbSession session;
    if (!session.startForThisProcess(false))
        return 1;
    QGuiApplication app(argc, argv);
    QTemporaryDir files;
    X11Pasteboard pasteboard;
    serve(waitLimitMs, [&] { return pasteboard.hasReadInitialContents(); });

    std::printf("%d copies with xclip\n", copiesPerBurst);
    int burstNumber = 0;
    for (const int spacing : spacingsMs) {
        const Burst burst = runBurst(pasteboard, session, files, spacing, ++burstNumber);
        std::printf("%3d ms apart: %2d of %d recorded (%d in copy order); longest main-thread "
                    "stall %lld ms\n",
                    spacing, burst.recorded, copiesPerBurst, burst.inOrder,
                    static_cast<long long>(burst.longestStallMs));
    }

    const QString largeCopyPath = files.filePath(u"large-copy"_qs);
    QFile large(largeCopyPath);
    large.open(QIODevice::WriteOnly);
    for (qint64 i = 0; large.size() < largeCopyBytes; ++i)
        large.write(QByteArray::number(i) + " a long text copied before the burst\n");
    large.close();
    for (const int spacing : spacingsDuringLargeReadMs) {
        const Burst burst = runBurst(pasteboard, session, files, spacing, ++burstNumber,
                                     copiesDuringLargeRead, largeCopyPath);
        std::printf("%3d ms apart while a %.0f MB copy is read: %2d of %d recorded (%d in copy "
                    "order); longest main-thread stall %lld ms\n",
                    spacing, double(largeCopyBytes) / 1e6, burst.recorded, copiesDuringLargeRead,
                    burst.inOrder, static_cast<long long>(burst.longestStallMs));
    }
    return 0;
}
