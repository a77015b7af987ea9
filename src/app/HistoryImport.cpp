#include "app/HistoryImport.h"

#include "content/Logging.h"
#include "history/HistoryStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {
// The file is read this much at a time.
constexpr qsizetype readChunkSize = 1024 * 1024;
// A batch is handed to the main thread at this many lines or bytes of lines,
// whichever comes first; the store writes one transaction per batch.
constexpr int linesPerBatch = 500;
constexpr qsizetype bytesPerBatch = 64 * 1024 * 1024;
// No line of an export comes near this; a longer one is skipped unread.
constexpr qsizetype maxLineSize = qsizetype(1) << 30;
constexpr double megabyte = 1024.0 * 1024.0;
// While a long line is read, the command line hears how far at this pace.
constexpr qint64 readProgressIntervalMs = 1000;
} // namespace

struct HistoryImport::Batch {
    // The line number with its item or the reason it can't be imported.
    std::vector<std::pair<int, std::variant<HistoryTransfer::ImportedItem, QString>>> lines;
    qint64 bytesRead = 0;
    bool isLast = false;
    QString readError;
};

std::variant<int, QString> HistoryImport::openFile(const QByteArray& path,
                                                   const QString& shownName) {
    // O_NONBLOCK: opening a pipe no one writes to must not wait for a writer.
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return u"Could not read %1: %2"_s.arg(shownName,
                                              QString::fromLocal8Bit(std::strerror(errno)));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return u"%1 is not a regular file; export the history to a file and import that."_s.arg(
            shownName);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

void HistoryImport::start(int fd, HistoryStore& store, Progress progress, Done done) {
    auto* import = new HistoryImport(fd, store, std::move(progress), std::move(done));
    import->m_worker = std::thread([import] { import->readFile();
});
} // namespace quillbox

HistoryImport::HistoryImport(int fd, HistoryStore& store, Progress progress, Done done)
    : QObject(QCoreApplication::instance())
    , m_fd(fd)
    , m_store(store)
    , m_progress(std::move(progress))
    , m_done(std::move(done)) {
    struct stat info {};
    if (::fstat(fd, &info) == 0)
        m_fileSize = info.st_size;
}

HistoryImport::~HistoryImport() {
    m_isCancelled = true;
    // Wakes the worker whether it waits to hand over a batch or its last one.
    m_room.release(2);
    if (m_worker.joinable())
        m_worker.join();
    ::close(m_fd);
}

void HistoryImport::readFile() {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    Batch batch;
    qsizetype batchBytes = 0;
    int lineNumber = 0;
    qint64 bytesRead = 0;
    QByteArray pending;      // what is read and not yet taken as lines
    qsizetype lineStart = 0; // in pending, where the next line starts
    qsizetype searchedUpTo = 0;
    bool isSkippingLongLine = false;
    const auto takeLine = [&](QByteArray line) {
        ++lineNumber;
        line = std::move(line).trimmed(); // in place, not a copy of a long line
        if (line.isEmpty())
            return;
        batchBytes += line.size();
        batch.lines.emplace_back(lineNumber, HistoryTransfer::readLine(std::move(line), now));
        if (int(batch.lines.size()) >= linesPerBatch || batchBytes >= bytesPerBatch) {
            batch.bytesRead = bytesRead;
            handOver(std::move(batch));
            batch = Batch();
            batchBytes = 0;
        }
    };
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    QByteArray chunk(readChunkSize, Qt::Uninitialized);
    while (!m_isCancelled) {
        if (m_progress && sinceProgress.elapsed() >= readProgressIntervalMs) {
            sinceProgress.restart();
            const QString line =
                u"Importing: %1 of %2 MB read"_s.arg(double(bytesRead) / megabyte, 0, 'f', 1)
                    .arg(double(m_fileSize) / megabyte, 0, 'f', 1);
            QMetaObject::invokeMethod(
                this, [this, line] { m_progress(line); }, Qt::QueuedConnection);
        }
        const ssize_t count = ::read(m_fd, chunk.data(), size_t(chunk.size()));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            batch.readError = QString::fromLocal8Bit(std::strerror(errno));
            break;
        }
        bytesRead += count;
        if (count == 0) {
            if (!pending.isEmpty() && !isSkippingLongLine)
                takeLine(std::move(pending));
            break;
        }
        pending.append(chunk.constData(), count);
        while (true) {
            const qsizetype newline = pending.indexOf('\n', searchedUpTo);
            if (newline < 0) {
                // The lines taken from the buffer leave it at once, not one by one.
                pending.remove(0, lineStart);
                lineStart = 0;
                searchedUpTo = pending.size();
                if (pending.size() > maxLineSize) {
                    if (!isSkippingLongLine) {
                        ++lineNumber;
                        batch.lines.emplace_back(
                            lineNumber, u"longer than %1 MB"_s.arg(maxLineSize / (1024 * 1024)));
                    }
                    isSkippingLongLine = true;
                    pending.clear();
                    searchedUpTo = 0;
                }
                break;
            }
            QByteArray line;
            if (lineStart == 0 && newline > pending.size() - newline) {
                // A line longer than what follows it keeps the buffer; only
                // the rest is copied (a line of a large item is never copied).
                QByteArray rest = pending.mid(newline + 1);
                pending.truncate(newline);
                line = std::move(pending);
                pending = std::move(rest);
            } else {
                line = pending.mid(lineStart, newline - lineStart);
                lineStart = newline + 1;
            }
            searchedUpTo = lineStart;
            if (isSkippingLongLine)
                isSkippingLongLine = false;
            else
                takeLine(std::move(line));
        }
    }
    batch.isLast = true;
    batch.bytesRead = bytesRead;
    handOver(std::move(batch));
}

void HistoryImport::handOver(Batch&& batch) {
    // One batch waits here while the previous one is recorded: memory stays
    // bounded however large the file.
    m_room.acquire();
    if (m_isCancelled)
        return;
    auto shared = std::make_shared<Batch>(std::move(batch));
    QMetaObject::invokeMethod(
        this, [this, shared] { record(shared); }, Qt::QueuedConnection);
}

void HistoryImport::record(const std::shared_ptr<Batch>& batch) {
    {
        HistoryStore::Batch transaction(m_store);
        for (auto& [lineNumber, parsed] : batch->lines) {
            if (const auto* problem = std::get_if<QString>(&parsed))
                m_summary.problems.append(u"line %1: %2"_s.arg(lineNumber).arg(*problem));
            else
                HistoryTransfer::importItem(std::get<HistoryTransfer::ImportedItem>(parsed),
                                            m_store, m_summary);
        }
    }
    batch->lines.clear();
    m_room.release();
    if (!batch->isLast) {
        if (m_progress) {
            m_progress(u"Importing: %1 items added, %2 already kept (%3 of %4 MB read)"_s
                           .arg(m_summary.imported)
                           .arg(m_summary.alreadyPresent)
                           .arg(double(batch->bytesRead) / megabyte, 0, 'f', 1)
                           .arg(double(m_fileSize) / megabyte, 0, 'f', 1));
        }
        return;
    }
    // The lines read, parsed and recorded were allocated on two threads in
    // many small pieces: freed, they stay with the process until malloc is
    // told to hand back the pages no allocation uses any more.
    ::malloc_trim(0);
    m_done(m_summary, batch->readError);
    deleteLater();
}

} // namespace quillbox
