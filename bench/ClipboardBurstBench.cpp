// How many of a burst of copies reach the history: 50 distinct texts written
// with xclip at 0, 5, 10, 20 and 50 ms apart on a private Xvfb, recorded by
// the clipboard monitor at its usual half-second poll into a store in memory.
// Also the main thread's longest stall while a burst is read. A timed harness
// rather than Google Benchmark: each run needs other processes.
#include "ChildProcess.h"
#include "FakeFrontmostApplicationSource.h"
#include "XvfbSession.h"
#include "capture/ClipboardMonitor.h"
#include "capture/NotificationCenter.h"
#include "capture/SourceAppResolver.h"
#include "history/HistoryStore.h"
#include "history/StoreContainer.h"
#include "linux/X11Pasteboard.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using namespace quillbox;
using namespace quillbox::testing;

namespace {

constexpr int copiesPerBurst = 50;
constexpr int spacingsMs[] = {0, 5, 10, 20, 50};
// Long enough for the last copy to be read and for two more ticks to pass.
constexpr qint64 settleMs = 1500;
constexpr qint64 waitLimitMs = 30000;

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
               int spacingMs, int burstNumber) {
    FakeFrontmostApplicationSource frontmost;
    SourceAppResolver resolver(frontmost);
    NotificationCenter notifications;
    HistoryStore store(StoreContainer::makeInMemory());
    ClipboardMonitor monitor(pasteboard, store, resolver, notifications, {});
    monitor.start();

    std::vector<QString> texts;
    for (int i = 0; i < copiesPerBurst; ++i) {
        texts.push_back(u"burst %1 at %2 ms, copy %3"_qs.arg(burstNumber).arg(spacingMs).arg(i));
        QFile file(files.filePath(u"copy-%1-%2"_qs.arg(burstNumber).arg(i)));
        file.open(QIODevice::WriteOnly);
        file.write(texts.back().toUtf8());
    }

    Burst burst;
    std::vector<std::unique_ptr<ChildProcess>> owners;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < copiesPerBurst; ++i) {
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
    burst.longestStallMs = std::max(burst.longestStallMs, serve(settleMs));

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

    std::printf("%d copies with xclip, monitor polling every %lld ms\n", copiesPerBurst,
                static_cast<long long>(ClipboardMonitor::pollInterval.count()));
    int burstNumber = 0;
    for (const int spacing : spacingsMs) {
        const Burst burst = runBurst(pasteboard, session, files, spacing, ++burstNumber);
        std::printf("%3d ms apart: %2d of %d recorded (%d in copy order); longest main-thread "
                    "stall %lld ms\n",
                    spacing, burst.recorded, copiesPerBurst, burst.inOrder,
                    static_cast<long long>(burst.longestStallMs));
    }
    return 0;
}
