// The history on disk and through import and export, with the realistic
// corpus, in the running program: the built quillbox binary on a private
// Xvfb, driven by its own command line. For each size: the time `quillbox
// import` takes, the store's size on disk (running, and after it quit), where
// the bytes go (tables, indexes, free pages; SQLite's dbstat), and the time
// from starting `quillbox export | head -n 1` to its first line (which must
// end cleanly, with nothing on stderr). Import is timed on the wall clock and
// by the CPU time the running program spent on it.
//   transfer_bench [--items 10000,100000] [--repeat N] [--binary PATH]
#include "ChildProcess.h"
#include "PrivateHome.h"
#include "RealisticCorpus.h"
#include "XvfbSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace quillbox::testing;

namespace {

QString binary = QStringLiteral(QUILLBOX_BINARY);

qint64 storeBytes(const QString& path) {
    qint64 total = 0;
    for (const char* suffix : {"", "-wal", "-shm"})
        total += QFileInfo(path + QLatin1String(suffix)).size();
    return total;
}

double mebibytes(qint64 bytes) {
    return double(bytes) / (1024.0 * 1024.0);
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Pages, bytes of records and unused bytes of each table and index.
void printBreakdown(const QString& path) {
    sqlite3* db = nullptr;
    const QByteArray uri = "file:" + QFile::encodeName(path) + "?mode=ro";
    if (sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) !=
        SQLITE_OK) {
        std::printf("  (could not open the store for its breakdown)\n");
        sqlite3_close(db);
        return;
    }
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT name, count(*), sum(payload), sum(unused), sum(pgsize)"
                       " FROM dbstat GROUP BY name ORDER BY sum(pgsize) DESC",
                       -1, &statement, nullptr);
    std::printf("  %-34s %8s %10s %10s %10s\n", "table or index", "pages", "MiB", "records",
                "unused");
    while (statement && sqlite3_step(statement) == SQLITE_ROW) {
        std::printf("  %-34s %8lld %10.2f %10.2f %10.2f\n",
                    reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)),
                    sqlite3_column_int64(statement, 1),
                    mebibytes(sqlite3_column_int64(statement, 4)),
                    mebibytes(sqlite3_column_int64(statement, 2)),
                    mebibytes(sqlite3_column_int64(statement, 3)));
    }
    sqlite3_finalize(statement);
    for (const char* pragma : {"PRAGMA page_size", "PRAGMA page_count", "PRAGMA freelist_count"}) {
        sqlite3_prepare_v2(db, pragma, -1, &statement, nullptr);
        if (sqlite3_step(statement) == SQLITE_ROW)
            std::printf("  %s = %lld\n", pragma + 7, sqlite3_column_int64(statement, 0));
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
}

struct Home : PrivateHome {
    explicit Home(const XvfbSession& session)
        : PrivateHome(session.environment()) {}
};

// User and system CPU seconds of a process so far (load-independent, unlike
// the wall time on a busy machine).
double cpuSeconds(qint64 pid) {
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    const auto fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) /
           double(sysconf(_SC_CLK_TCK));
}

bool waitUntilAnswering(const QProcessEnvironment& environment) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 60'000) {
        if (runCommand(binary, {u"status"_s}, std::chrono::seconds(5), environment)
                .standardOutput.contains("Quillbox:  running"))
            return true;
        QThread::msleep(20);
    }
    return false;
}

// Seconds from starting `quillbox export | head -n 1` to its first line, or
// a negative number; anything on stderr or a failed pipeline is printed.
double firstExportedLine(const QProcessEnvironment& environment) {
    QProcess shell;
    shell.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    shell.start(u"/bin/sh"_s, {u"-c"_s, u"\"$0\" export | head -n 1"_s, binary});
    QByteArray output;
    double seconds = -1;
    while (seconds < 0 && shell.waitForReadyRead(30'000)) {
        output += shell.readAllStandardOutput();
        if (output.contains('\n'))
            seconds = timer.elapsed() / 1000.0;
    }
    shell.waitForFinished(30'000);
    const QByteArray errors = shell.readAllStandardError();
    if (!errors.isEmpty() || shell.exitCode() != 0)
        std::printf("  export | head: exit %d, stderr: %s\n", shell.exitCode(),
                    errors.left(300).constData());
    return seconds;
}

void measure(const XvfbSession& session, int count, int repeat) {
    QTemporaryDir corpusFolder;
    const QString corpus = corpusFolder.filePath(u"corpus.jsonl"_s);
    writeCorpusImportFile(corpus, count, QDateTime::currentDateTimeUtc());
    std::printf("%d items (import file %.1f MiB)\n", count, mebibytes(QFileInfo(corpus).size()));
    std::vector<double> imports;
    std::vector<double> importCpu; // of the running program
    std::vector<double> firstLines;
    for (int round = 0; round < repeat; ++round) {
        Home home(session);
        ChildProcess instance(
            u"/bin/sh"_s,
            {u"-c"_s, u"exec \"$0\" >\"$1\" 2>&1"_s, binary, home.path(u"quillbox.log"_s)},
            home.environment);
        if (!waitUntilAnswering(home.environment)) {
            std::printf("  quillbox did not start\n");
            return;
        }
        const double cpuBefore = cpuSeconds(instance.pid());
        QElapsedTimer timer;
        timer.start();
        const auto imported =
            runCommand(binary, {u"import"_s, corpus}, std::chrono::minutes(10), home.environment);
        imports.push_back(timer.elapsed() / 1000.0);
        importCpu.push_back(cpuSeconds(instance.pid()) - cpuBefore);
        if (imported.exitCode != 0)
            std::printf("  import: %s%s\n", imported.standardOutput.constData(),
                        imported.standardError.left(300).constData());
        for (int i = 0; i < 3; ++i)
            firstLines.push_back(firstExportedLine(home.environment));
        const qint64 running = storeBytes(home.storePath());
        runCommand(binary, {u"quit"_s}, std::chrono::seconds(30), home.environment);
        instance.waitFinished(std::chrono::seconds(30));
        if (round + 1 == repeat) {
            std::printf("  on disk: %.2f MiB while running (with its log), %.2f MiB after quit\n",
                        mebibytes(running), mebibytes(storeBytes(home.storePath())));
            printBreakdown(home.storePath());
        }
    }
    const auto [fastest, slowest] = std::minmax_element(imports.begin(), imports.end());
    std::printf("  import: median %.3f s (%.3f to %.3f, %zu runs)\n", median(imports), *fastest,
                *slowest, imports.size());
    std::printf("  import: CPU of the running program median %.3f s\n", median(importCpu));
    const auto [first, last] = std::minmax_element(firstLines.begin(), firstLines.end());
    std::printf("  export | head -n 1: first line after median %.0f ms (%.0f to %.0f, %zu runs)\n",
                median(firstLines) * 1000, *first * 1000, *last * 1000, firstLines.size());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QList<int> sizes{10'000, 100'000};
    int repeat = 1;
    const QStringList arguments = app.arguments();
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments.at(i) == u"--items"_s) {
            sizes.clear();
            for (const QString& size : arguments.at(i + 1).split(u','))
                sizes.append(size.toInt());
        } else if (arguments.at(i) == u"--repeat"_s) {
            repeat = std::max(1, arguments.at(i + 1).toInt());
        } else if (arguments.at(i) == u"--binary"_s) {
            binary = arguments.at(i + 1);
        }
    }
    XvfbSession session;
    if (!session.start(false)) {
        std::fprintf(stderr, "could not start Xvfb\n");
        return 1;
    }
    for (int count : sizes)
        measure(session, count, repeat);
    return 0;
}
