// What the running program costs while nothing is copied: CPU time per hour
// of clipboard polling, resident memory and the store's size on disk, with an
// empty history and with a large one; and what one very large copied text
// costs (time until it is in the history, resident memory before and after,
// growth of the store on disk). Runs the built quillbox binary on a private
// Xvfb display, copies with xclip and reads its /proc/PID/stat and status.
//   idle_bench [--seconds N] [--items N] [--large MB]
//              (defaults: 60 s, 100000 items, a 50 MB text; --large 0 skips it)
#include "ChildProcess.h"
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
#include <chrono>
#include <cstdio>
#include <sqlite3.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace quillbox;
using namespace quillbox::testing;

namespace {

struct ProcessCost {
    double cpuSeconds = 0;       // user + system, counted in clock ticks of 10 ms
    double scheduledSeconds = 0; // on a CPU, all threads, counted in nanoseconds
    double residentMB = 0;
    double peakResidentMB = 0;
};

ProcessCost readCost(qint64 pid) {
    ProcessCost cost;
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        // Fields after the command name, which may hold spaces: state is field 3,
        // utime 14, stime 15.
        const QByteArray line = stat.readAll();
        const auto fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        const double ticks = double(sysconf(_SC_CLK_TCK));
        cost.cpuSeconds = (fields.at(11).toDouble() + fields.at(12).toDouble()) / ticks;
    }
    // The scheduler's own count is finer than the 10 ms ticks of stat.
    const QString tasks = u"/proc/%1/task"_s.arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks + u'/' + task + u"/schedstat"_s);
        if (schedstat.open(QIODevice::ReadOnly))
            cost.scheduledSeconds += schedstat.readAll().split(' ').value(0).toDouble() / 1e9;
    }
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            const auto value = line.simplified().split(' ').value(1).toDouble() / 1024.0;
            if (line.startsWith("VmRSS:"))
                cost.residentMB = value;
            else if (line.startsWith("VmHWM:"))
                cost.peakResidentMB = value;
        }
    }
    return cost;
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

class Instance {
public:
    Instance(const QProcessEnvironment& environment, const QString& log)
        : m_environment(environment)
        , m_process(u"/bin/sh"_s,
                    {u"-c"_s, u"exec \"$0\" >\"$1\" 2>&1"_s, QStringLiteral(QUILLBOX_BINARY), log},
                    environment) {}
    ~Instance() {
        runCommand(QStringLiteral(QUILLBOX_BINARY), {u"quit"_s}, std::chrono::seconds(10),
                   m_environment);
        m_process.waitFinished(std::chrono::seconds(10));
    }
    // Seconds until the command line gets an answer, or a negative number.
    double waitUntilAnswering() {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 30'000) {
            const auto status = runCommand(QStringLiteral(QUILLBOX_BINARY), {u"status"_s},
                                           std::chrono::seconds(5), m_environment);
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
    const auto status = runCommand(QStringLiteral(QUILLBOX_BINARY), {u"status"_s},
                                   std::chrono::seconds(5), environment);
    for (const QByteArray& line : status.standardOutput.split('\n')) {
        if (line.startsWith("Items:"))
            return line.mid(6).trimmed().toLongLong();
    }
    return -1;
}

// Copies a text of `megabytes` MB (lines of words, a non-ASCII letter in
// each) and waits for it to reach the history.
void measureLargeCopy(const Instance& instance, const QProcessEnvironment& environment,
                      const QString& storePath, int megabytes) {
    const QByteArray text = largeText(qsizetype(megabytes) * 1'000'000);
    const qsizetype countBefore = itemCount(environment);
    const ProcessCost before = readCost(instance.pid());
    const qint64 bytesBefore = storeBytes(storePath);
    ChildProcess owner(u"xclip"_s, {u"-selection"_s, u"clipboard"_s, u"-quiet"_s}, environment);
    owner.waitStarted();
    QElapsedTimer timer;
    timer.start();
    owner.writeAndClose(text);
    // Without an event loop here, the pipe is fed only while waiting on it.
    while (owner.process().bytesToWrite() > 0 && owner.process().waitForBytesWritten(10'000)) {
    }
    while (itemCount(environment) <= countBefore && timer.elapsed() < 60'000)
        QThread::msleep(20);
    const double took = timer.elapsed() / 1000.0;
    QThread::sleep(2); // what stays, not what passes
    const ProcessCost after = readCost(instance.pid());
    const qint64 bytesAfter = storeBytes(storePath);
    const auto newest =
        runCommand(QStringLiteral(QUILLBOX_BINARY), {u"list"_s, u"--limit"_s, u"1"_s, u"--json"_s},
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

void measure(const char* label, const QProcessEnvironment& environment, const QString& folder,
             int seconds, int largeMegabytes) {
    Instance instance(environment, folder + u"/quillbox.log"_s);
    const double startup = instance.waitUntilAnswering();
    if (startup < 0) {
        std::printf("%s: quillbox did not start (see %s/quillbox.log)\n", label,
                    qPrintable(folder));
        return;
    }
    QThread::sleep(3); // settle after start-up
    const ProcessCost before = readCost(instance.pid());
    QThread::sleep(seconds);
    const ProcessCost after = readCost(instance.pid());
    const double cpu = after.cpuSeconds - before.cpuSeconds;
    const double scheduled = after.scheduledSeconds - before.scheduledSeconds;

    QElapsedTimer listTimer;
    listTimer.start();
    runCommand(QStringLiteral(QUILLBOX_BINARY), {u"list"_s, u"--limit"_s, u"20"_s},
               std::chrono::seconds(30), environment);
    const double listSeconds = listTimer.elapsed() / 1000.0;

    std::printf("%s:\n  start-up to first answer %.2f s\n"
                "  idle CPU (utime+stime) %.2f s over %d s = %.1f s per hour\n"
                "  idle CPU (scheduler, all threads) %.4f s over %d s = %.2f s per hour"
                " (%.4f%% of a core)\n"
                "  resident %.1f MB (peak %.1f MB)\n  `quillbox list --limit 20` %.0f ms\n",
                label, startup, cpu, seconds, cpu * 3600.0 / seconds, scheduled, seconds,
                scheduled * 3600.0 / seconds, 100.0 * scheduled / seconds, after.residentMB,
                after.peakResidentMB, listSeconds * 1000);
    const QString storePath = folder + u"/data/Quillbox/Quillbox.store"_s;
    std::printf("  store on disk %.1f MB\n", double(storeBytes(storePath)) / 1e6);
    std::fflush(stdout);
    if (largeMegabytes > 0)
        measureLargeCopy(instance, environment, storePath, largeMegabytes);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int seconds = 60;
    int items = 100'000;
    int largeMegabytes = 50;
    const QStringList arguments = app.arguments();
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments.at(i) == u"--seconds"_s)
            seconds = arguments.at(i + 1).toInt();
        else if (arguments.at(i) == u"--items"_s)
            items = arguments.at(i + 1).toInt();
        else if (arguments.at(i) == u"--large"_s)
            largeMegabytes = arguments.at(i + 1).toInt();
    }

    XvfbSession session;
    if (!session.start(false)) {
        std::fprintf(stderr, "could not start Xvfb\n");
        return 1;
    }
    for (int count : {0, items}) {
        QTemporaryDir directory;
        const QString root = directory.path();
        for (const auto* folder : {"home", "data/Quillbox", "config", "runtime"})
            QDir().mkpath(root + u'/' + QString::fromLatin1(folder));
        QFile::setPermissions(root + u"/runtime"_s,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment environment = session.environment();
        environment.insert(u"HOME"_s, root + u"/home"_s);
        environment.insert(u"XDG_DATA_HOME"_s, root + u"/data"_s);
        environment.insert(u"XDG_CONFIG_HOME"_s, root + u"/config"_s);
        environment.insert(u"XDG_RUNTIME_DIR"_s, root + u"/runtime"_s);
        environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s,
                           u"unix:path=/nonexistent/quillbox-bench"_s);
        if (count > 0) {
            const double took = generateHistory(root + u"/data/Quillbox/Quillbox.store"_s, count);
            std::printf(
                "generated %d items through HistoryStore::record in %.1f s (%.0f records/s)\n",
                count, took, count / took);
        }
        const QByteArray label = QByteArray::number(count) + " items";
        // The large copy goes into the empty history, after its idle figures.
        measure(label.constData(), environment, root, seconds, count == 0 ? largeMegabytes : 0);
    }
    return 0;
}
