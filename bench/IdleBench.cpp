// What the running program costs while nothing is copied: CPU time, how
// often its threads wake (context switches, each thread named), resident
// memory and the store's size on disk, with an empty history and with a large
// one; how long a copy takes to reach the store (median and 95th percentile);
// and what one very large copied text costs (time until it is in the history,
// resident memory before and after, growth of the store on disk). Runs the
// built quillbox binary on a private Xvfb display (copies with xclip) and on a
// private headless sway (copies with wl-copy), and reads its /proc files.
//   idle_bench [--seconds N] [--items N] [--large MB] [--copies N]
//              [--session x11|sway|both] [--binary PATH]
//   (defaults: 30 s, 100000 items, a 50 MB text, 40 copies, both sessions,
//    the binary built beside it; 0 skips the large history, the large text
//    or the copies)
#include "ChildProcess.h"
#include "PrivateHome.h"
#include "SwaySession.h"
#include "TestContent.h"
#include "XvfbSession.h"
#include "content/Hash.h"
#include "history/HistoryStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <sqlite3.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;
using namespace quillbox;
using namespace quillbox::testing;

namespace {

QString s_binary = QStringLiteral(QUILLBOX_BINARY);

struct ProcessCost {
    double cpuSeconds = 0;       // user + system, counted in clock ticks of 10 ms
    double scheduledSeconds = 0; // on a CPU, all threads, counted in nanoseconds
    double residentMB = 0;
    double peakResidentMB = 0;
    // Voluntary context switches by thread (name and id): each is a wake-up
    // from a wait, so an idle program should add none.
    std::map<QString, qint64> wakeUps;
    qint64 involuntarySwitches = 0;
};

QByteArray readProcFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qint64 statusField(const QByteArray& status, const QByteArray& name) {
    for (const QByteArray& line : status.split('\n')) {
        if (line.startsWith(name)) // "VmRSS:\t  1234 kB"
            return line.mid(name.size()).simplified().split(' ').value(0).toLongLong();
    }
    return 0;
}

ProcessCost readCost(qint64 pid) {
    ProcessCost cost;
    const QByteArray line = readProcFile(u"/proc/%1/stat"_s.arg(pid));
    if (!line.isEmpty()) {
        // Fields after the command name, which may hold spaces: state is field 3,
        // utime 14, stime 15.
        const auto fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        const double ticks = double(sysconf(_SC_CLK_TCK));
        cost.cpuSeconds = (fields.at(11).toDouble() + fields.at(12).toDouble()) / ticks;
    }
    // The scheduler's own count is finer than the 10 ms ticks of stat.
    const QString tasks = u"/proc/%1/task"_s.arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString folder = tasks + u'/' + task;
        cost.scheduledSeconds +=
            readProcFile(folder + u"/schedstat"_s).split(' ').value(0).toDouble() / 1e9;
        const QByteArray status = readProcFile(folder + u"/status"_s);
        const QString name = QString::fromUtf8(readProcFile(folder + u"/comm"_s).trimmed());
        cost.wakeUps[name + u" ("_s + task + u')'] =
            statusField(status, "voluntary_ctxt_switches:");
        cost.involuntarySwitches += statusField(status, "nonvoluntary_ctxt_switches:");
    }
    const QByteArray status = readProcFile(u"/proc/%1/status"_s.arg(pid));
    cost.residentMB = double(statusField(status, "VmRSS:")) / 1024.0;
    cost.peakResidentMB = double(statusField(status, "VmHWM:")) / 1024.0;
    return cost;
}

qint64 totalWakeUps(const ProcessCost& cost) {
    qint64 total = 0;
    for (const auto& [thread, count] : cost.wakeUps)
        total += count;
    return total;
}

// Fills a store through HistoryStore, as copies would. The bench's own store
// skips the per-commit sync, which only costs time here.
double generateHistory(const QString& path, int count) {
    QElapsedTimer timer;
    timer.start();
    auto container = StoreContainer::makeShared(false, path);
    sqlite3_exec(container->handle(), "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    HistoryStore store(container);
    QRandomGenerator random(42);
    static const QString words[] = {u"clipboard"_s, u"history"_s, u"panel"_s, u"paste"_s,
                                    u"function"_s,  u"return"_s,  u"the"_s,   u"and"_s};
    for (int i = 0; i < count; ++i) {
        QString text = QString::number(i) + u' ';
        const int length = random.bounded(10, 200);
        while (text.size() < length)
            text += words[random.bounded(8)] + u' ';
        ParsedClipboardContent content;
        content.content = text.toUtf8();
        content.plainText = text;
        content.contentType = u"public.utf8-plain-text"_s;
        content.contentHash = sha256Hash(content.content);
        content.characterCount = text.size();
        store.record(content, u"org.example.Bench"_s, u"Bench"_s);
    }
    return timer.elapsed() / 1000.0;
}

// The store's main file and its companions, in bytes.
qint64 storeBytes(const QString& path) {
    qint64 total = 0;
    for (const char* suffix : {"", "-wal", "-shm"})
        total += QFileInfo(path + QLatin1String(suffix)).size();
    return total;
}

enum class Session { x11, sway };

// A program that copies `text` the way the session's users do, and stays the
// clipboard's owner until another copy takes it.
std::unique_ptr<ChildProcess> startCopy(Session session, const QProcessEnvironment& environment) {
    if (session == Session::x11)
        return std::make_unique<ChildProcess>(
            u"xclip"_s, QStringList{u"-selection"_s, u"clipboard"_s, u"-quiet"_s}, environment);
    return std::make_unique<ChildProcess>(u"wl-copy"_s, QStringList{u"--foreground"_s},
                                          environment);
}

// Hands the text over; the copying program takes the clipboard once it has
// read to the end. Without an event loop here, the pipe is fed only while
// waiting on it.
void finishCopy(ChildProcess& owner, const QByteArray& text) {
    owner.writeAndClose(text);
    while (owner.process().bytesToWrite() > 0 && owner.process().waitForBytesWritten(10'000)) {
    }
}

class Instance {
public:
    Instance(const QProcessEnvironment& environment, const QString& log)
        : m_environment(environment)
        , m_process(u"/bin/sh"_s, {u"-c"_s, u"exec \"$0\" >\"$1\" 2>&1"_s, s_binary, log},
                    environment) {}
    ~Instance() {
        runCommand(s_binary, {u"quit"_s}, std::chrono::seconds(10), m_environment);
        m_process.waitFinished(std::chrono::seconds(10));
    }
    // Seconds until the command line gets an answer, or a negative number.
    double waitUntilAnswering() {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 30'000) {
            const auto status =
                runCommand(s_binary, {u"status"_s}, std::chrono::seconds(5), m_environment);
            if (status.standardOutput.contains("Quillbox:  running"))
                return timer.elapsed() / 1000.0;
            QThread::msleep(20);
        }
        return -1;
    }
    qint64 pid() const { return m_process.pid(); }

private:
    QProcessEnvironment m_environment;
    ChildProcess m_process;
};

qsizetype itemCount(const QProcessEnvironment& environment) {
    const auto status = runCommand(s_binary, {u"status"_s}, std::chrono::seconds(5), environment);
    for (const QByteArray& line : status.standardOutput.split('\n')) {
        if (line.startsWith("Items:"))
            return line.mid(6).trimmed().toLongLong();
    }
    return -1;
}

// What a reader of the store sees: its own connection, asked how often
// another one committed. A commit of the record is the item being in the
// history, whatever the store's layout.
class StoreCommits {
public:
    explicit StoreCommits(const QString& path) {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READONLY,
                            nullptr) != SQLITE_OK) {
            sqlite3_close(m_db);
            m_db = nullptr;
        }
    }
    ~StoreCommits() { sqlite3_close(m_db); }
    bool isOpen() const { return m_db != nullptr; }
    qint64 version() const {
        sqlite3_stmt* statement = nullptr;
        qint64 value = -1;
        if (sqlite3_prepare_v2(m_db, "PRAGMA data_version", -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            value = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
        return value;
    }

private:
    sqlite3* m_db = nullptr;
};

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto index = std::min(values.size() - 1, std::size_t(fraction * double(values.size())));
    return values.at(index);
}

// Copies short texts at uneven moments (so that nothing periodic in the
// program lines up with them) and times each from the copying program having
// its text to the record's commit in the store.
void measureCopyLatency(Session session, const QProcessEnvironment& environment,
                        const QString& storePath, int copies) {
    StoreCommits commits(storePath);
    if (!commits.isOpen()) {
        std::printf("  copy to recorded: the store could not be opened\n");
        return;
    }
    QRandomGenerator random(7);
    std::vector<double> latencies;
    std::unique_ptr<ChildProcess> previousOwner;
    int missed = 0;
    for (int i = 0; i < copies; ++i) {
        QThread::msleep(random.bounded(150, 450));
        auto owner = startCopy(session, environment);
        owner->waitStarted();
        const qint64 before = commits.version();
        QElapsedTimer timer;
        timer.start();
        finishCopy(*owner, u"latency probe %1 %2"_s.arg(i).arg(random.generate()).toUtf8());
        while (commits.version() == before && timer.elapsed() < 5'000)
            QThread::usleep(500);
        if (commits.version() == before)
            ++missed;
        else
            latencies.push_back(double(timer.nsecsElapsed()) / 1e6);
        // The previous owner lost the clipboard to this copy and has ended.
        previousOwner = std::move(owner);
    }
    if (latencies.empty()) {
        std::printf("  copy to recorded: none of %d copies was recorded\n", copies);
        return;
    }
    std::printf("  copy to recorded (%zu of %d copies): median %.1f ms, p95 %.1f ms,"
                " min %.1f ms, max %.1f ms%s\n",
                latencies.size(), copies, percentile(latencies, 0.5), percentile(latencies, 0.95),
                *std::min_element(latencies.begin(), latencies.end()),
                *std::max_element(latencies.begin(), latencies.end()),
                missed > 0 ? " (some missed)" : "");
    std::fflush(stdout);
}

// Copies a text of `megabytes` MB (lines of words, a non-ASCII letter in
// each) and waits for it to reach the history.
void measureLargeCopy(Session session, const Instance& instance,
                      const QProcessEnvironment& environment, const QString& storePath,
                      int megabytes) {
    const QByteArray text = largeText(qsizetype(megabytes) * 1'000'000);
    const qsizetype countBefore = itemCount(environment);
    const ProcessCost before = readCost(instance.pid());
    const qint64 bytesBefore = storeBytes(storePath);
    auto owner = startCopy(session, environment);
    owner->waitStarted();
    QElapsedTimer timer;
    timer.start();
    finishCopy(*owner, text);
    while (itemCount(environment) <= countBefore && timer.elapsed() < 60'000)
        QThread::msleep(20);
    const double took = timer.elapsed() / 1000.0;
    QThread::sleep(2); // what stays, not what passes
    const ProcessCost after = readCost(instance.pid());
    const qint64 bytesAfter = storeBytes(storePath);
    const auto newest = runCommand(s_binary, {u"list"_s, u"--limit"_s, u"1"_s, u"--json"_s},
                                   std::chrono::seconds(10), environment);
    std::printf("  newest item as listed: %s\n", newest.standardOutput.left(300).constData());
    std::printf("a %.1f MB text copied:\n  in the history after %.2f s\n"
                "  resident %.1f MB before, %.1f MB after (%+.1f MB; peak %.1f MB)\n"
                "  store on disk grew %.2f MB (%.4f x the text)\n",
                double(text.size()) / 1e6, took, before.residentMB, after.residentMB,
                after.residentMB - before.residentMB, after.peakResidentMB,
                double(bytesAfter - bytesBefore) / 1e6,
                double(bytesAfter - bytesBefore) / double(text.size()));
}

void printIdle(const ProcessCost& before, const ProcessCost& after, int seconds) {
    const double cpu = after.cpuSeconds - before.cpuSeconds;
    const double scheduled = after.scheduledSeconds - before.scheduledSeconds;
    const qint64 wakeUps = totalWakeUps(after) - totalWakeUps(before);
    std::printf("  idle CPU (utime+stime) %.2f s over %d s = %.1f s per hour\n"
                "  idle CPU (scheduler, all threads) %.4f s over %d s = %.2f s per hour"
                " (%.4f%% of a core)\n"
                "  idle wake-ups (voluntary switches, all threads) %lld over %d s = %.2f/s;"
                " involuntary %lld\n",
                cpu, seconds, cpu * 3600.0 / seconds, scheduled, seconds,
                scheduled * 3600.0 / seconds, 100.0 * scheduled / seconds,
                static_cast<long long>(wakeUps), seconds, double(wakeUps) / seconds,
                static_cast<long long>(after.involuntarySwitches - before.involuntarySwitches));
    for (const auto& [thread, count] : after.wakeUps) {
        const auto earlier = before.wakeUps.find(thread);
        const qint64 woke = count - (earlier == before.wakeUps.end() ? 0 : earlier->second);
        if (woke > 0)
            std::printf("    %s woke %lld times\n", qPrintable(thread),
                        static_cast<long long>(woke));
    }
}

struct Options {
    int seconds = 30;
    int items = 100'000;
    int largeMegabytes = 50;
    int copies = 40;
};

void measure(Session session, const char* label, const QProcessEnvironment& environment,
             const QString& folder, const Options& options, bool withLarge) {
    Instance instance(environment, folder + u"/quillbox.log"_s);
    const double startup = instance.waitUntilAnswering();
    if (startup < 0) {
        std::printf("%s: quillbox did not start (see %s/quillbox.log)\n", label,
                    qPrintable(folder));
        return;
    }
    QThread::sleep(3); // settle after start-up
    const ProcessCost before = readCost(instance.pid());
    QThread::sleep(options.seconds);
    const ProcessCost after = readCost(instance.pid());

    QElapsedTimer listTimer;
    listTimer.start();
    runCommand(s_binary, {u"list"_s, u"--limit"_s, u"20"_s}, std::chrono::seconds(30), environment);
    const double listSeconds = listTimer.elapsed() / 1000.0;

    std::printf("%s:\n  start-up to first answer %.2f s\n", label, startup);
    printIdle(before, after, options.seconds);
    std::printf("  resident %.1f MB (peak %.1f MB)\n  `quillbox list --limit 20` %.0f ms\n",
                after.residentMB, after.peakResidentMB, listSeconds * 1000);
    const QString storePath = folder + u"/data/Quillbox/Quillbox.store"_s;
    std::printf("  store on disk %.1f MB\n", double(storeBytes(storePath)) / 1e6);
    std::fflush(stdout);
    if (options.copies > 0)
        measureCopyLatency(session, environment, storePath, options.copies);
    if (withLarge && options.largeMegabytes > 0)
        measureLargeCopy(session, instance, environment, storePath, options.largeMegabytes);
}

void run(Session session, const QProcessEnvironment& display, const Options& options,
         const QString& generatedStore) {
    const char* sessionName = session == Session::x11 ? "Xvfb" : "sway";
    for (int count : {0, options.items}) {
        const PrivateHome home(display);
        const QString root = home.folder.path();
        const QProcessEnvironment& environment = home.environment;
        if (count > 0)
            QFile::copy(generatedStore, root + u"/data/Quillbox/Quillbox.store"_s);
        const QByteArray label =
            QByteArray(sessionName) + ", " + QByteArray::number(count) + " items";
        // The large copy goes into the empty history, after its idle figures.
        measure(session, label.constData(), environment, root, options, count == 0);
        if (options.items == 0)
            break;
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Options options;
    QString sessions = u"both"_s;
    const QStringList arguments = app.arguments();
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
        const QString& value = arguments.at(i + 1);
        if (arguments.at(i) == u"--seconds"_s)
            options.seconds = value.toInt();
        else if (arguments.at(i) == u"--items"_s)
            options.items = value.toInt();
        else if (arguments.at(i) == u"--large"_s)
            options.largeMegabytes = value.toInt();
        else if (arguments.at(i) == u"--copies"_s)
            options.copies = value.toInt();
        else if (arguments.at(i) == u"--session"_s)
            sessions = value;
        else if (arguments.at(i) == u"--binary"_s)
            s_binary = value;
    }

    QTemporaryDir generated;
    const QString generatedStore = generated.path() + u"/Quillbox.store"_s;
    if (options.items > 0) {
        const double took = generateHistory(generatedStore, options.items);
        std::printf("generated %d items through HistoryStore::record in %.1f s (%.0f records/s)\n",
                    options.items, took, options.items / took);
    }
    if (sessions != u"sway"_s) {
        XvfbSession xvfb;
        if (!xvfb.start(false)) {
            std::fprintf(stderr, "could not start Xvfb\n");
            return 1;
        }
        run(Session::x11, xvfb.environment(), options, generatedStore);
    }
    if (sessions != u"x11"_s) {
        SwaySession sway;
        if (!sway.start()) {
            std::fprintf(stderr, "could not start sway\n");
            return 1;
        }
        run(Session::sway, sway.environment(), options, generatedStore);
    }
    return 0;
}
