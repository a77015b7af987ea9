#include "history/StoreContainer.h"

#include "content/Logging.h"
#include "history/HistorySchema.h"
#include "history/SqliteStatement.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#include <chrono>
#include <fcntl.h>
#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillbox {

using namespace std::chrono_literals;

namespace {

// How long a statement waits for a lock another connection holds before it
// gives up with SQLITE_BUSY. Only another process holding our store (which the
// single-instance guard prevents) makes anyone wait at all.
constexpr auto storeBusyTimeout = 1000ms;
constexpr mode_t storeFolderMode = 0700;
constexpr mode_t storeFileMode = 0600;
const QStringList companionSuffixes{QString(), QStringLiteral("-shm"), QStringLiteral("-wal")};

// Lock contention and other passing conditions say nothing about the file:
// a store another process holds, or a full disk, must never be set aside as
// damaged. The primary result code tells them apart from SQLITE_NOTADB,
// SQLITE_CORRUPT and the rest.
bool isTransient(int code) {
    switch (code & 0xff) {
    case SQLITE_BUSY:     // another connection holds the lock (past the busy timeout)
    case SQLITE_LOCKED:   // a lock within this process
    case SQLITE_PROTOCOL: // lock race in the WAL index
    case SQLITE_NOMEM:
    case SQLITE_INTERRUPT:
    case SQLITE_FULL: // the disk, not the file
        return true;
    default:
        return false;
    }
}

// The files are the user's clipboard history: readable by the user alone,
// whatever the umask. SQLite gives "-wal" and "-shm" the main file's mode.
void prepareFiles(const QString& path) {
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
        ::chmod(QFile::encodeName(folder).constData(), storeFolderMode);
    const QByteArray file = QFile::encodeName(path);
    const int fd = ::open(file.constData(), O_RDWR | O_CREAT | O_CLOEXEC, storeFileMode);
    if (fd >= 0) {
        ::fchmod(fd, storeFileMode);
        ::close(fd);
    }
}

void restrictCompanions(const QString& path) {
    for (const QString& suffix : companionSuffixes)
        ::chmod(QFile::encodeName(path + suffix).constData(), storeFileMode);
}

// Why this process must not write the store at path, if it must not: a file
// or folder of another user, or one without write permission, is not ours to
// change (nor damaged). Judged by owner and mode bits, which hold for root
// too, and by access() for what they don't show (a read-only mount).
std::optional<QString> whyNotWritable(const QString& path) {
    const QFileInfo info(path);
    struct stat status {};
    const QByteArray file = QFile::encodeName(path);
    if (::lstat(file.constData(), &status) == 0) {
        if (status.st_uid != ::geteuid())
            return QStringLiteral("belongs to another user (uid %1)").arg(status.st_uid);
        if (!(status.st_mode & S_IWUSR) || ::access(file.constData(), W_OK) != 0)
            return QStringLiteral("is read-only");
    }
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    if (::stat(folder.constData(), &status) == 0) {
        if (status.st_uid != ::geteuid())
            return QStringLiteral("is in a folder that belongs to another user (uid %1)")
                .arg(status.st_uid);
        if (!(status.st_mode & S_IWUSR) || ::access(folder.constData(), W_OK) != 0)
            return QStringLiteral("is in a read-only folder");
    }
    return std::nullopt;
}

int configure(sqlite3* db, bool persistent, QString& error) {
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, int(storeBusyTimeout.count()));
    // Opening a file that is no database "succeeds"; the first statement that
    // reads it is what reports SQLITE_NOTADB or SQLITE_CORRUPT. This one writes
    // nothing, so a file that turns out unusable is set aside as it was found.
    if (const int result = HistorySchema::checkVersion(db, error); result != SQLITE_OK)
        return result;
    // A new file's pages: large enough that the space left at the end of
    // each (a record that did not fit) is a small part of it; pages freed
    // by deletes are given back. Both only take before write-ahead logging
    // and the first table; an existing file keeps what it has.
    execute(db, ("PRAGMA page_size = " + QByteArray::number(HistorySchema::pageSize)).constData());
    execute(db, "PRAGMA auto_vacuum = INCREMENTAL");
    if (persistent) {
        SqliteStatement walMode(db, "PRAGMA journal_mode = WAL");
        const int result = walMode.step();
        if (result != SQLITE_ROW)
            return result;
        if (walMode.text(0).compare(u"wal", Qt::CaseInsensitive) != 0) {
            // Only a lock held elsewhere keeps SQLite from switching modes.
            error = QStringLiteral("could not switch the store to write-ahead logging");
            return SQLITE_BUSY;
        }
    }
    // Each commit reaches the disk before the operation that made it returns;
    // deleted records are overwritten with zeros, not just marked free, so a
    // deleted item can't be read back from the file.
    // The write-ahead log is cut back to a few megabytes once it has been
    // folded in, rather than keeping the size of the largest copy ever made;
    // it is folded in every 4 MiB of pages written, whatever the page size.
    for (const char* pragma :
         {"PRAGMA foreign_keys = ON", "PRAGMA synchronous = FULL", "PRAGMA secure_delete = ON",
          "PRAGMA journal_size_limit = 4194304", "PRAGMA wal_autocheckpoint = 256"}) {
        if (const int result = execute(db, pragma); result != SQLITE_OK)
            return result;
    }
    return HistorySchema::prepare(db, error);
}

} // namespace

struct StoreContainer::OpenResult {
    struct ConnectionCloser {
        void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
    };
    std::shared_ptr<StoreContainer> container;
    int code = SQLITE_OK;
    QString error;
    // Kept open until the damaged files are out of the way: closing the last
    // connection makes SQLite delete the "-wal" and "-shm" files it sees.
    std::unique_ptr<sqlite3, ConnectionCloser> failedConnection;
};

StoreContainer::StoreContainer(sqlite3* db, QString path)
    : m_db(db)
    , m_path(std::move(path)) {
}

StoreContainer::~StoreContainer() {
    sqlite3_close_v2(m_db);
    if (m_isReader)
        --*m_openReaders;
}

std::shared_ptr<StoreContainer> StoreContainer::openReader() const {
    if (isInMemory())
        return nullptr;
    // Read-only, but not immutable: the reader must see the write-ahead log.
    const QByteArray uri = "file:" + QUrl::toPercentEncoding(m_path, "/") + "?mode=ro";
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) !=
        SQLITE_OK) {
        sqlite3_close_v2(db);
        return nullptr;
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, int(storeBusyTimeout.count()));
    std::shared_ptr<StoreContainer> reader(new StoreContainer(db, m_path));
    reader->m_isReadOnly = true;
    reader->m_isReader = true;
    reader->m_openReaders = m_openReaders;
    ++*m_openReaders;
    return reader;
}

void StoreContainer::finishWriting() {
    if (isInMemory() || m_isReadOnly)
        return;
    // Everything in the log goes into the main file and the log is emptied;
    // leaving write-ahead logging then removes "-wal" and "-shm", even while
    // the store's prepared statements keep the connection open. The next
    // open switches back.
    if (execute(m_db, "PRAGMA wal_checkpoint(TRUNCATE)") != SQLITE_OK ||
        execute(m_db, "PRAGMA journal_mode = DELETE") != SQLITE_OK) {
        qCWarning(lcStore).noquote()
            << QStringLiteral("Quillbox: could not fold the write-ahead log into %1: %2")
                   .arg(m_path, lastError(m_db));
    }
}

QString StoreContainer::defaultStorePath() {
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty() || QDir::isRelativePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return dataHome + QStringLiteral("/Quillbox/") + storeFileName;
}

StoreContainer::OpenResult StoreContainer::open(const QString& path) {
    const bool persistent = !path.isEmpty();
    if (persistent)
        prepareFiles(path);
    const QByteArray name = persistent ? QFile::encodeName(path) : QByteArray(":memory:");
    sqlite3* db = nullptr;
    OpenResult result;
    result.code =
        sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (result.code == SQLITE_OK)
        result.code = configure(db, persistent, result.error);
    if (result.code != SQLITE_OK) {
        if (result.error.isEmpty())
            result.error = db ? lastError(db) : QString::fromUtf8(sqlite3_errstr(result.code));
        result.failedConnection.reset(db);
        return result;
    }
    if (persistent)
        restrictCompanions(path);
    result.container.reset(new StoreContainer(db, path));
    return result;
}

std::shared_ptr<StoreContainer> StoreContainer::makeShared(bool inMemory,
                                                           const QString& storePath) {
    if (inMemory)
        return makeInMemory();
    const QString path = storePath.isEmpty() ? defaultStorePath() : storePath;
    if (const auto why = whyNotWritable(path)) {
        qCWarning(lcStore).noquote()
            << QStringLiteral("Quillbox: the store at %1 %2; keeping this run's history in "
                              "memory and leaving the file as it is.")
                   .arg(path, *why);
        return makeInMemory();
    }
    OpenResult first = open(path);
    if (first.container)
        return first.container;
    if (isTransient(first.code)) {
        qCWarning(lcStore).noquote()
            << QStringLiteral("Quillbox: store at %1 is unavailable: %2. Falling back to "
                              "in-memory storage and leaving the file as it is.")
                   .arg(path, first.error);
        return makeInMemory();
    }
    qCWarning(lcStore).noquote()
        << QStringLiteral("Quillbox: failed to open store at %1: %2. Moving it aside.")
               .arg(path, first.error);
    moveStoreAside(path);
    first.failedConnection.reset();
    OpenResult second = open(path);
    if (second.container)
        return second.container;
    qCWarning(lcStore).noquote() << QStringLiteral("Quillbox: failed to create a fresh store: %1. "
                                                   "Falling back to in-memory storage.")
                                        .arg(second.error);
    return makeInMemory();
}

std::shared_ptr<StoreContainer> StoreContainer::openExisting(const QString& storePath) {
    if (!QFileInfo(storePath).isFile())
        return nullptr;
    // A store we may not write is still read, as it is.
    OpenResult result = whyNotWritable(storePath) ? openReadOnly(storePath) : open(storePath);
    if (!result.container) {
        qCWarning(lcStore).noquote()
            << QStringLiteral("Quillbox: could not read the store at %1: %2")
                   .arg(storePath, result.error);
    }
    return result.container;
}

StoreContainer::OpenResult StoreContainer::openReadOnly(const QString& path) {
    OpenResult result;
    // Where even "-shm" can't be made, SQLite reads the file as immutable.
    const QByteArray uris[] = {
        "file:" + QUrl::toPercentEncoding(path, "/") + "?mode=ro",
        "file:" + QUrl::toPercentEncoding(path, "/") + "?immutable=1",
    };
    for (const QByteArray& uri : uris) {
        sqlite3* db = nullptr;
        result.code =
            sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
        if (result.code == SQLITE_OK) {
            sqlite3_extended_result_codes(db, 1);
            sqlite3_busy_timeout(db, int(storeBusyTimeout.count()));
            result.code = HistorySchema::checkVersion(db, result.error);
            if (result.code == SQLITE_OK)
                result.code = execute(db, "SELECT count(*) FROM ClipboardItem");
        }
        if (result.code == SQLITE_OK) {
            result.container.reset(new StoreContainer(db, path));
            result.container->m_isReadOnly = true;
            return result;
        }
        if (result.error.isEmpty())
            result.error = db ? lastError(db) : QString::fromUtf8(sqlite3_errstr(result.code));
        sqlite3_close_v2(db);
    }
    return result;
}

std::shared_ptr<StoreContainer> StoreContainer::makeInMemory() {
    OpenResult result = open(QString());
    if (!result.container)
        qFatal("Quillbox: failed to create an in-memory store: %s", qPrintable(result.error));
    return result.container;
}

void StoreContainer::moveStoreAside(const QString& storePath) {
    const QString stamp = QString::number(QDateTime::currentSecsSinceEpoch());
    for (const QString& suffix : companionSuffixes) {
        const QString source = storePath + suffix;
        if (!QFileInfo::exists(source))
            continue;
        // A failed rename is ignored: opening a fresh store is tried all the same.
        QFile::rename(source, storePath + QStringLiteral(".broken-") + stamp + suffix);
    }
}

} // namespace quillbox
