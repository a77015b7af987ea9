// Timed harness for the persistent history: opening and loading a history of
// 10k, 100k and 1M items (with resident memory), recording new and duplicate
// content, looking items up by hash and pruning, and one very large text
// (time to record, resident memory before and after, growth of the files on
// disk, time to read it back in pieces). Prints one line per figure.
//
//   history_bench              all figures (about two minutes, mostly the 1M file)
//   history_bench --large [MB] only the large text (50 MB unless given), in a fresh process
//   history_bench --open PATH  one open in a fresh process (used by the above)
//   history_bench --generate PATH COUNT   a store file to look at or profile
#include "TestContent.h"
#include "content/Hash.h"
#include "history/HistoryStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sqlite3.h>

using namespace quillbox;

namespace {

constexpr int recordSamples = 300;
constexpr int lookupSamples = 20000;

double residentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

QString sampleText(QRandomGenerator& random, qint64 index) {
    static const QString words[] = {u"clipboard"_qs, u"history"_qs, u"panel"_qs,   u"paste"_qs,
                                    u"function"_qs,  u"return"_qs,  u"meeting"_qs, u"address"_qs,
                                    u"invoice"_qs,   u"the"_qs,     u"and"_qs,     u"of"_qs};
    // Mostly short copies, some paragraphs: 10 to 200 characters, about 105 on average.
    const int length = random.bounded(10, 200);
    QString text = QString::number(index) + u' ';
    while (text.size() < length)
        text += words[random.bounded(12)] + u' ';
    return text.left(length);
}

// Writes `count` items straight into a fresh store file in one transaction, in
// the layout the store writes them:
// 80% text, 10% URLs, 10% images with a thumbnail, copied over the last year.
void generate(const QString& path, qint64 count) {
    StoreContainer::makeShared(false, path); // the schema
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(db, "PRAGMA synchronous = OFF; BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* item = nullptr;
    sqlite3_stmt* payload = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO ClipboardItem (pk, id, plainText, contentType, category,"
                       " sourceAppBundleID, sourceAppName, characterCount, imageDimensions,"
                       " urlString, contentHash, copiedAt, hasThumbnailData, isPlainTextInContent)"
                       " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                       -1, &item, nullptr);
    sqlite3_prepare_v2(db,
                       "INSERT INTO ClipboardItemPayload (item, content, thumbnailData)"
                       " VALUES (?, ?, ?)",
                       -1, &payload, nullptr);
    QRandomGenerator random(42);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const QByteArray image(1024, 'i');
    const QByteArray thumbnail(512, 't');
    for (qint64 i = 1; i <= count; ++i) {
        const int kind = random.bounded(10);
        const QString text = sampleText(random, i);
        const QByteArray url = "https://example.org/" + QByteArray::number(i) + "/page";
        const QByteArray content = kind == 0   ? image + QByteArray::number(i)
                                   : kind == 1 ? url
                                               : text.toUtf8();
        const QByteArray id = QUuid::createUuid().toRfc4122();
        const QByteArray hash = sha256Hash(content).toLatin1();
        const QByteArray source = "org.example.App" + QByteArray::number(random.bounded(12));
        sqlite3_bind_int64(item, 1, i);
        sqlite3_bind_blob(item, 2, id.constData(), 16, SQLITE_TRANSIENT);
        if (kind != 0) {
            // The text is the content: kept once, in the payload (plainText NULL).
            sqlite3_bind_int64(item, 8, content.size());
        }
        sqlite3_bind_int64(item, 14, kind != 0);
        sqlite3_bind_text(item, 4, kind == 0 ? "public.png" : "public.utf8-plain-text", -1,
                          SQLITE_STATIC);
        sqlite3_bind_text(item, 5,
                          kind == 0   ? "image"
                          : kind == 1 ? "url"
                                      : "text",
                          -1, SQLITE_STATIC);
        sqlite3_bind_text(item, 6, source.constData(), int(source.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(item, 7, source.constData() + 12, int(source.size()) - 12,
                          SQLITE_TRANSIENT);
        if (kind == 0)
            sqlite3_bind_text(item, 9, "1920 x 1080", -1, SQLITE_STATIC);
        if (kind == 1)
            sqlite3_bind_text(item, 10, url.constData(), int(url.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(item, 11, hash.constData(), 64, SQLITE_TRANSIENT);
        sqlite3_bind_int64(item, 12, now - (count - i) * (365LL * 86400 * 1000 / count));
        sqlite3_bind_int64(item, 13, kind == 0);
        sqlite3_step(item);
        sqlite3_reset(item);
        sqlite3_clear_bindings(item);
        sqlite3_bind_int64(payload, 1, i);
        sqlite3_bind_blob(payload, 2, content.constData(), int(content.size()), SQLITE_TRANSIENT);
        if (kind == 0)
            sqlite3_bind_blob(payload, 3, thumbnail.constData(), int(thumbnail.size()),
                              SQLITE_STATIC);
        sqlite3_step(payload);
        sqlite3_reset(payload);
        sqlite3_clear_bindings(payload);
    }
    sqlite3_finalize(item);
    sqlite3_finalize(payload);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// The machine may be shared: CPU time says what the work costs, wall time what it took.
double cpuMilliseconds() {
    timespec time{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
    return double(time.tv_sec) * 1e3 + double(time.tv_nsec) / 1e6;
}

struct Timing {
    double mean = 0;
    double median = 0;
    double max = 0;
};

Timing summarise(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    Timing timing;
    for (double sample : samples)
        timing.mean += sample;
    timing.mean /= double(samples.size());
    timing.median = samples[samples.size() / 2];
    timing.max = samples.back();
    return timing;
}

void print(const char* name, qint64 items, const Timing& timing) {
    std::printf("%-34s %8lld items  mean %8.3f ms  median %8.3f ms  max %8.3f ms\n", name,
                static_cast<long long>(items), timing.mean, timing.median, timing.max);
    std::fflush(stdout);
}

int openOnce(const QString& path) {
    const double before = residentMegabytes();
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = cpuMilliseconds();
    auto container = StoreContainer::makeShared(false, path);
    HistoryStore store(container);
    const double milliseconds = double(timer.nsecsElapsed()) / 1e6;
    const double cpu = cpuMilliseconds() - cpuBefore;
    std::printf("%lld %.1f %.1f %.1f %.1f\n", static_cast<long long>(store.itemCount()),
                milliseconds, before, residentMegabytes(), cpu);
    return 0;
}

void benchmarkOpen(const QString& path) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {u"--open"_qs, path});
    child.waitForFinished(600'000);
    const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
    if (figures.size() != 5) {
        std::printf("open failed: %s\n", child.readAllStandardError().constData());
        return;
    }
    std::printf("%-34s %8s items  %8s ms (%s ms CPU)  VmRSS %6s MB after loading (%s MB "
                "before opening)\n",
                "open and load", figures[0].constData(), figures[1].constData(),
                figures[4].constData(), figures[3].constData(), figures[2].constData());
    std::fflush(stdout);
}

void benchmarkChanges(const QString& path, qint64 count) {
    auto container = StoreContainer::makeShared(false, path);
    HistoryStore store(container);
    QElapsedTimer timer;
    std::vector<double> samples;
    for (int i = 0; i < recordSamples; ++i) {
        const auto parsed =
            quillbox::testing::textContent(QStringLiteral("new copy %1 %2").arg(count).arg(i));
        timer.start();
        store.record(parsed, u"org.example.Bench"_qs, u"Bench"_qs);
        samples.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    print("record new", count, summarise(samples));

    const QList<ClipboardItemPtr> items = store.allItems();
    QRandomGenerator random(7);
    samples.clear();
    for (int i = 0; i < recordSamples; ++i) {
        const auto& existing = items[random.bounded(int(items.size()))];
        ParsedClipboardContent parsed = quillbox::testing::textContent(QString());
        parsed.contentHash = existing->contentHash();
        timer.start();
        store.record(parsed, u"org.example.Bench"_qs, u"Bench"_qs);
        samples.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    print("record duplicate", count, summarise(samples));

    QStringList hashes;
    for (int i = 0; i < lookupSamples; ++i)
        hashes.append(i % 2 ? items[random.bounded(int(items.size()))]->contentHash()
                            : sha256Hash(QByteArray::number(i)));
    timer.start();
    int found = 0;
    for (const QString& hash : std::as_const(hashes))
        found += store.itemWithHash(hash) != nullptr;
    const double perLookup = double(timer.nsecsElapsed()) / 1e6 / lookupSamples;
    std::printf("%-34s %8lld items  mean %8.4f ms  (%d of %d found)\n", "itemWithHash",
                static_cast<long long>(count), perLookup, found, lookupSamples);

    timer.start();
    const int nothing = store.pruneHistory(400, QDateTime::currentDateTimeUtc());
    std::printf("%-34s %8lld items  %8.3f ms  (%d deleted)\n", "pruneHistory, nothing expired",
                static_cast<long long>(count), double(timer.nsecsElapsed()) / 1e6, nothing);
    timer.start();
    const int half = store.pruneHistory(182, QDateTime::currentDateTimeUtc());
    std::printf("%-34s %8lld items  %8.3f ms  (%d deleted)\n", "pruneHistory, half expired",
                static_cast<long long>(count), double(timer.nsecsElapsed()) / 1e6, half);
    std::fflush(stdout);
}

// The store's main file and its companions, in bytes.
qint64 storeBytes(const QString& path) {
    qint64 total = 0;
    for (const char* suffix : {"", "-wal", "-shm"})
        total += QFileInfo(path + QLatin1String(suffix)).size();
    return total;
}

// A text of `megabytes` MB in lines of words, with a non-ASCII letter now and
// then, as a long log or document would be.
QString largeText(qint64 megabytes) {
    static const QString line = u"%1 the clipboard history keeps what was copied, caf\u00e9 "
                                u"and all, line after line\n"_qs;
    QString text;
    text.reserve(megabytes * 1'000'000 + line.size() + 16);
    for (qint64 i = 0; text.size() < megabytes * 1'000'000; ++i)
        text += line.arg(i);
    text.truncate(megabytes * 1'000'000);
    return text;
}

// Records one very large text into a store that already holds a small
// history, the way a copy reaches it.
int benchmarkLargeText(qint64 megabytes) {
    QTemporaryDir folder;
    const QString path = folder.filePath(u"large.store"_qs);
    generate(path, 1000);
    auto container = StoreContainer::makeShared(false, path);
    HistoryStore store(container);
    const double residentBefore = residentMegabytes();
    const qint64 bytesBefore = storeBytes(path);
    QString expectedHash;
    qint64 textBytes = 0;
    double recordMs = 0;
    {
        ParsedClipboardContent parsed = quillbox::testing::textContent(largeText(megabytes));
        expectedHash = parsed.contentHash;
        textBytes = parsed.content.size();
        QElapsedTimer timer;
        timer.start();
        store.record(parsed, u"org.example.Bench"_qs, u"Bench"_qs);
        recordMs = double(timer.nsecsElapsed()) / 1e6;
    }
    const double residentAfter = residentMegabytes();
    const qint64 bytesAfter = storeBytes(path);
    std::printf("%-34s %8.1f MB  %8.0f ms  VmRSS %6.1f MB before, %6.1f MB after (%+.1f MB)\n",
                "record a large text", double(textBytes) / 1e6, recordMs, residentBefore,
                residentAfter, residentAfter - residentBefore);
    std::printf("%-34s %8.1f MB  store files grew %.2f MB (%.4f x the text)\n",
                "large text on disk", double(textBytes) / 1e6,
                double(bytesAfter - bytesBefore) / 1e6,
                double(bytesAfter - bytesBefore) / double(textBytes));

    QElapsedTimer timer;
    timer.start();
    const ClipboardItemPtr item = store.allItems().first();
    const QByteArray content = item->content();
    const double readMs = double(timer.nsecsElapsed()) / 1e6;
    std::printf("%-34s %8.1f MB  %8.0f ms  (%s)\n", "read it back whole",
                double(content.size()) / 1e6, readMs,
                sha256Hash(content) == expectedHash ? "same bytes" : "DIFFERENT BYTES");
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 3 && arguments[1] == u"--open"_qs)
        return openOnce(arguments[2]);
    if (arguments.size() >= 2 && arguments[1] == u"--large"_qs)
        return benchmarkLargeText(arguments.size() >= 3 ? arguments[2].toLongLong() : 50);
    if (arguments.size() == 4 && arguments[1] == u"--generate"_qs) {
        generate(arguments[2], arguments[3].toLongLong());
        return 0;
    }

    QTemporaryDir folder;
    for (qint64 count : {10'000LL, 100'000LL, 1'000'000LL}) {
        const QString path = folder.filePath(QStringLiteral("history-%1.store").arg(count));
        QElapsedTimer timer;
        timer.start();
        generate(path, count);
        std::printf("%-34s %8lld items  %8.0f ms  (%.0f MB file)\n", "generate",
                    static_cast<long long>(count), double(timer.elapsed()),
                    double(QFile(path).size()) / 1e6);
        benchmarkOpen(path);
        if (count <= 100'000)
            benchmarkChanges(path, count);
        QFile::remove(path);
    }
    return 0;
}
