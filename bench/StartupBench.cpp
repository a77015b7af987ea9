// A long-time user's history of realistic texts (10k and 100k items, mean
// about 430 characters) imported into the running program on a private Xvfb:
// resident memory right after the import and after a minute at rest; then,
// restarting it several times, the time from exec until `status` is answered
// and the resident memory once it is up, and how soon a panel asked for
// right after that is on screen; last, in this process, the store
// file opened as the program opens it and the time from opening it to the
// panel's first painted frame. A timed harness: it prints its figures.
//   startup_bench [--items N,...] [--runs N] [--idle S]
//                 (defaults: 10000,100000; 5 restarts; 60 s at rest)
#include "ChildProcess.h"
#include "PanelRig.h"
#include "PrivateHome.h"
#include "RealisticCorpus.h"
#include "XvfbSession.h"
#include "app/CommandLine.h"
#include "app/InstanceClient.h"
#include "ui/CardStripView.h"
#include "ui/EmptyStateView.h"
#include "ui/PanelContentView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;
using namespace quillbox;
using namespace quillbox::testing;

namespace {

double residentMiB(qint64 pid) {
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.simplified().split(' ').value(1).toDouble() / 1024.0;
    }
    return 0;
}

// CPU time the process and its threads have been on a processor, in
// milliseconds: unlike the time on the clock, it hardly depends on what else
// the machine runs.
double cpuMs(qint64 pid) {
    double total = 0;
    const QString tasks = u"/proc/%1/task"_s.arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks + u'/' + task + u"/schedstat"_s);
        if (schedstat.open(QIODevice::ReadOnly))
            total += schedstat.readAll().split(' ').value(0).toDouble() / 1e6;
    }
    return total;
}

struct Spread {
    double median = 0;
    double best = 0;
    double worst = 0;
};

Spread spread(std::vector<double> values) {
    if (values.empty())
        return {};
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.front(), values.back()};
}

void settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

struct Home : PrivateHome {
    using PrivateHome::PrivateHome;
    QString socket() const { return path(u"runtime/quillbox-%1.socket"_s.arg(::getuid())); }
};

std::optional<CommandResult> send(const Home& home, const QStringList& words,
                                  std::chrono::milliseconds timeout) {
    const auto outcome = parseCommandLine(words);
    return InstanceClient(home.socket()).send(outcome.command, timeout);
}

// The program, started as a user starts it; quit through its command line.
class Instance {
public:
    explicit Instance(const Home& home)
        : m_home(home) {
        m_timer.start();
        m_process = std::make_unique<ChildProcess>(
            u"/bin/sh"_s,
            QStringList{u"-c"_s, u"exec \"$0\" >>\"$1\" 2>&1"_s, QStringLiteral(QUILLBOX_BINARY),
                        home.path(u"quillbox.log"_s)},
            home.environment);
    }
    ~Instance() {
        send(m_home, {u"quit"_s}, std::chrono::seconds(10));
        m_process->waitFinished(std::chrono::seconds(20));
    }
    // Milliseconds from exec until `status` is answered, or a negative number.
    double msUntilStatus() {
        while (m_timer.elapsed() < 60'000) {
            const auto result = send(m_home, {u"status"_s}, std::chrono::seconds(30));
            if (result && result->exitCode == 0 && result->output.contains(u"running"_s))
                return double(m_timer.nsecsElapsed()) / 1e6;
            QThread::usleep(500);
        }
        return -1;
    }
    // Milliseconds from asking for the panel (right after `status`) until
    // its window is on screen, or a negative number.
    double msUntilPanelShown() {
        QElapsedTimer timer;
        timer.start();
        if (!send(m_home, {u"toggle"_s}, std::chrono::seconds(30)))
            return -1;
        while (timer.elapsed() < 30'000) {
            const RunResult found = runCommand(
                u"xdotool"_s, {u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^Quillbox$"_s},
                std::chrono::seconds(5), m_home.environment);
            if (found.exitCode == 0 && !found.standardOutput.trimmed().isEmpty())
                return double(timer.nsecsElapsed()) / 1e6;
        }
        return -1;
    }
    double residentMiB() const { return ::residentMiB(m_process->pid()); }
    double cpuMs() const { return ::cpuMs(m_process->pid()); }

private:
    const Home& m_home;
    QElapsedTimer m_timer;
    std::unique_ptr<ChildProcess> m_process;
};

// Counts the paints of a widget, so a measurement can end at the frame.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// The store file opened as the program opens it, in this process: the
// time to a list the panel can show, and to its first painted frame. The
// toolkit's own first use (fonts, styles, the first window) is paid once
// before, on an empty history, as the program pays it before it is asked.
void measurePanel(const QString& folder) {
    static const bool isWarm = [] {
        QTemporaryDir empty;
        PanelRig rig(empty.path());
        rig.state.togglePanel();
        settle(500);
        return true;
    }();
    Q_UNUSED(isWarm);
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = cpuMs(::getpid());
    auto rig = std::make_unique<PanelRig>(folder);
    // The items come in on the store's own thread; the event loop takes
    // them, and the list is made, before the hot key is pressed.
    while (!rig->store.isReadIn() && timer.elapsed() < 60'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    rig->list.rowCount();
    const double opened = double(timer.nsecsElapsed()) / 1e6;
    PaintCounter paints;
    rig->panel.content()->strip()->viewport()->installEventFilter(&paints);
    rig->panel.content()->emptyState()->installEventFilter(&paints);
    const double cpuOpened = cpuMs(::getpid());
    rig->state.togglePanel();
    while (paints.paints == 0 && timer.elapsed() < 30'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    const double painted = double(timer.nsecsElapsed()) / 1e6;
    const double cpuPainted = cpuMs(::getpid());
    std::printf("  in process: store opened and read in with its list %.0f ms (CPU %.0f ms), "
                "panel's first frame %.0f ms after opening (%.0f ms after the hot key, CPU %.0f "
                "ms), resident "
                "%.1f MiB\n",
                opened, cpuOpened - cpuBefore, painted, painted - opened, cpuPainted - cpuOpened,
                ::residentMiB(::getpid()));
    std::fflush(stdout);
    settle(200);
    rig.reset();
}

void run(const QProcessEnvironment& display, int count, int runs, int idleSeconds) {
    Home home(display);
    const QString corpus = home.path(u"corpus.jsonl"_s);
    if (!writeCorpusImportFile(corpus, count, QDateTime::currentDateTimeUtc())) {
        std::printf("could not write the corpus\n");
        return;
    }
    std::printf("\n%d realistic texts (%.1f MB import file)\n", count,
                double(QFileInfo(corpus).size()) / 1e6);
    {
        Instance instance(home);
        if (instance.msUntilStatus() < 0) {
            std::printf("  quillbox did not start (see %s)\n",
                        qPrintable(home.path(u"quillbox.log"_s)));
            return;
        }
        settle(1000);
        const double empty = instance.residentMiB();
        QElapsedTimer timer;
        timer.start();
        const auto imported = send(home, {u"import"_s, corpus}, std::chrono::minutes(10));
        const double took = timer.elapsed() / 1000.0;
        if (!imported || imported->exitCode != 0) {
            std::printf("  import failed: %s\n",
                        imported ? qPrintable(imported->error) : "no answer");
            return;
        }
        settle(1000);
        const double afterImport = instance.residentMiB();
        QThread::sleep(unsigned(idleSeconds));
        std::printf("  resident: empty %.1f MiB, right after the import %.1f MiB (import took "
                    "%.1f s), after %d s at rest %.1f MiB\n",
                    empty, afterImport, took, idleSeconds, instance.residentMiB());
    }
    std::vector<double> starts;
    std::vector<double> startCpu;
    std::vector<double> residents;
    std::vector<double> panels;
    for (int round = 0; round < runs; ++round) {
        Instance instance(home);
        const double ms = instance.msUntilStatus();
        if (ms < 0) {
            std::printf("  quillbox did not answer after a restart\n");
            return;
        }
        starts.push_back(ms);
        startCpu.push_back(instance.cpuMs());
        panels.push_back(instance.msUntilPanelShown());
        settle(3000);
        residents.push_back(instance.residentMiB());
    }
    const Spread start = spread(starts);
    const Spread cpu = spread(startCpu);
    const Spread resident = spread(residents);
    std::printf("  after a restart (%d runs): exec to `status` answered median %.0f ms (%.0f to "
                "%.0f; the program's CPU time until then median %.0f ms, %.0f to %.0f), "
                "resident median %.1f MiB (%.1f to %.1f)\n",
                runs, start.median, start.best, start.worst, cpu.median, cpu.best, cpu.worst,
                resident.median, resident.best, resident.worst);
    const Spread panel = spread(panels);
    std::printf("  the panel asked for right after `status`: on screen after median %.0f ms (%.0f "
                "to %.0f)\n",
                panel.median, panel.best, panel.worst);
    std::fflush(stdout);
    measurePanel(home.path(u"data/Quillbox"_s));
}

} // namespace

int main(int argc, char** argv) {
    XvfbSession session;
    if (!session.startForThisProcess())
        return 1;
    QApplication app(argc, argv);
    QList<int> counts{10'000, 100'000};
    int runs = 5;
    int idleSeconds = 60;
    const QStringList arguments = app.arguments();
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments.at(i) == u"--items"_s) {
            counts.clear();
            for (const QString& n : arguments.at(i + 1).split(u','))
                counts.append(n.toInt());
        } else if (arguments.at(i) == u"--runs"_s) {
            runs = std::max(1, arguments.at(i + 1).toInt());
        } else if (arguments.at(i) == u"--idle"_s) {
            idleSeconds = arguments.at(i + 1).toInt();
        }
    }
    for (int count : counts)
        run(session.environment(), count, runs, idleSeconds);
    return 0;
}
