#include "history/HistoryTestSupport.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUuid>
#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillbox::testing {
namespace {

const QByteArray garbage = QByteArray("this is not a database, just bytes ").repeated(200);

mode_t modeOf(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return info.st_mode & 0777;
}

QStringList filesIn(const QString& folder) {
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    names.sort();
    return names;
}

void recordOne(const StoreContainerPtr& container, const QString& text) {
    HistoryStore store(container);
    store.record(textContent(text), {}, {});
}

TEST(StoreContainerTest, FolderAndFilesAreTheUsersAloneWhateverTheUmask) {
    QTemporaryDir root;
    const QString path = root.filePath(u"data/Quillbox/Quillbox.store"_qs);
    const mode_t previous = ::umask(0);
    auto container = StoreContainer::makeShared(false, path);
    HistoryStore store(container);
    store.record(textContent(u"secret"_qs), {}, {});
    ::umask(previous);

    EXPECT_FALSE(container->isInMemory());
    EXPECT_EQ(modeOf(root.filePath(u"data/Quillbox"_qs)), 0700u);
    for (const QString& suffix : {u""_qs, u"-wal"_qs, u"-shm"_qs}) {
        ASSERT_TRUE(QFileInfo::exists(path + suffix)) << suffix.toStdString();
        EXPECT_EQ(modeOf(path + suffix), 0600u) << suffix.toStdString();
    }
}

TEST(StoreContainerTest, DamagedStoresAreMovedAsideAndAFreshOneOpens) {
    struct Row {
        const char* name;
        QStringList damagedSuffixes;
        QByteArray mainBytes;
    };
    QByteArray foreignSchema;
    {
        // A real SQLite database, but of a schema version this store can't read.
        QTemporaryDir scratch;
        const QByteArray file = QFile::encodeName(scratch.filePath(u"foreign.db"_qs));
        sqlite3* db = nullptr;
        sqlite3_open(file.constData(), &db);
        sqlite3_exec(db, "CREATE TABLE t (x); PRAGMA user_version = 7;", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        foreignSchema = readFile(QString::fromLocal8Bit(file));
    }
    const Row rows[] = {
        {"garbage with both companions", {u""_qs, u"-shm"_qs, u"-wal"_qs}, garbage},
        {"garbage without companions", {u""_qs}, garbage},
        {"a database of another schema", {u""_qs}, foreignSchema},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir folder;
        const QString path = folder.filePath(u"Quillbox.store"_qs);
        for (const QString& suffix : row.damagedSuffixes)
            ASSERT_TRUE(writeFile(path + suffix,
                                  suffix.isEmpty() ? row.mainBytes : garbage + suffix.toUtf8()));

        LogCapture log;
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        auto container = StoreContainer::makeShared(false, path);
        const qint64 after = QDateTime::currentSecsSinceEpoch();
        EXPECT_TRUE(log.contains(u"Quillbox: failed to open store at "_qs + path + u": "_qs));
        EXPECT_TRUE(log.contains(u". Moving it aside."_qs));
        ASSERT_FALSE(container->isInMemory());

        // One stamp for every file, and the old bytes still on disk.
        QStringList moved = filesIn(folder.path()).filter(u".broken-"_qs);
        ASSERT_EQ(moved.size(), row.damagedSuffixes.size());
        const QString stamp = moved.first().section(u".broken-"_qs, 1).left(10);
        EXPECT_GE(stamp.toLongLong(), before);
        EXPECT_LE(stamp.toLongLong(), after);
        for (const QString& suffix : row.damagedSuffixes) {
            const QString aside = path + u".broken-"_qs + stamp + suffix;
            ASSERT_TRUE(QFileInfo::exists(aside)) << aside.toStdString();
            // "-shm" is only an index SQLite rebuilds on every open: its bytes
            // are SQLite's own. The database and its log keep theirs.
            if (suffix != u"-shm"_qs) {
                EXPECT_EQ(readFile(aside),
                          suffix.isEmpty() ? row.mainBytes : garbage + suffix.toUtf8())
                    << aside.toStdString();
            }
        }

        recordOne(container, u"after recovery"_qs);
        container.reset();
        LogCapture quiet;
        auto reopened = StoreContainer::makeShared(false, path);
        EXPECT_TRUE(quiet.lines().isEmpty());
        EXPECT_EQ(HistoryStore(reopened).itemCount(), 1);
    }
}

TEST(StoreContainerTest, AStoreLockedByAnotherProcessIsNotDamage) {
    struct Row {
        const char* name;
        const char* journalMode;
        bool opensOnDisk;
    };
    // With write-ahead logging, readers pass a writer's lock: the store opens
    // and only its writes wait. A rollback-journal database under an exclusive
    // lock can't even be read: the run falls back to memory, the file untouched.
    const Row rows[] = {
        {"write-ahead log", "WAL", true},
        {"rollback journal", "DELETE", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir folder;
        const QString path = folder.filePath(u"Quillbox.store"_qs);
        recordOne(StoreContainer::makeShared(false, path), u"kept"_qs);

        QProcess holder;
        holder.start(QStringLiteral(QUILLBOX_RECORD_LOOP),
                     {u"--hold-lock"_qs, path, QString::fromLatin1(row.journalMode)});
        ASSERT_TRUE(holder.waitForReadyRead(10'000)) << holder.readAllStandardError().toStdString();
        ASSERT_EQ(holder.readAllStandardOutput().trimmed(), QByteArray("locked"));

        LogCapture log;
        auto container = StoreContainer::makeShared(false, path);
        EXPECT_FALSE(log.contains(u"Moving it aside"_qs));
        EXPECT_TRUE(filesIn(folder.path()).filter(u".broken-"_qs).isEmpty());
        EXPECT_EQ(container->isInMemory(), !row.opensOnDisk);
        if (row.opensOnDisk) {
            HistoryStore store(container);
            EXPECT_EQ(store.itemCount(), 1);
            store.record(textContent(u"while locked"_qs), {}, {});
            EXPECT_TRUE(log.contains(u"Quillbox: failed to save history: "_qs));
            holder.kill();
            holder.waitForFinished();
            store.save();
            EXPECT_FALSE(store.hasUnsavedChanges());
        } else {
            EXPECT_TRUE(log.contains(u"is unavailable: database is locked"_qs));
        }
        holder.kill();
        holder.waitForFinished();
        container.reset();
        auto reopened = StoreContainer::makeShared(false, path);
        EXPECT_FALSE(reopened->isInMemory());
        EXPECT_EQ(HistoryStore(reopened).itemCount(), row.opensOnDisk ? 2 : 1);
    }
}

TEST(StoreContainerTest, WhereNoStoreCanBeCreatedTheHistoryLivesInMemory) {
    QTemporaryDir folder;
    // A regular file where the store's folder should be: nothing can be made
    // under it (a read-only folder would not stop a test running as root).
    ASSERT_TRUE(writeFile(folder.filePath(u"blocked"_qs), "file"));
    const QString path = folder.filePath(u"blocked/Quillbox/Quillbox.store"_qs);

    LogCapture log;
    auto container = StoreContainer::makeShared(false, path);
    EXPECT_TRUE(container->isInMemory());
    EXPECT_TRUE(log.contains(u"Quillbox: failed to create a fresh store: "_qs));
    EXPECT_TRUE(log.contains(u". Falling back to in-memory storage."_qs));

    HistoryStore store(container);
    store.record(textContent(u"kept in memory"_qs), {}, {});
    EXPECT_EQ(store.itemCount(), 1);
    EXPECT_FALSE(store.hasUnsavedChanges());
}

TEST(StoreContainerTest, AStoreWeMayNotWriteIsNotDamageAndCanStillBeRead) {
    struct Row {
        const char* name;
        std::function<void(const QString& folder, const QString& path)> arrange;
        QString logPart;
    };
    // Root passes every permission check, so the store goes by the owner and
    // mode bits, as a normal user's process would meet them.
    const Row rows[] = {
        {"a store file owned by another user",
         [](const QString&, const QString& path) {
             ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
         },
         u"belongs to another user"_qs},
        {"a read-only data folder",
         [](const QString& folder, const QString&) {
             ::chmod(QFile::encodeName(folder).constData(), 0500);
         },
         u"read-only"_qs},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir root;
        const QString folder = root.filePath(u"Quillbox"_qs);
        const QString path = folder + u"/Quillbox.store"_qs;
        {
            auto container = StoreContainer::makeShared(false, path);
            recordOne(container, u"kept on disk"_qs);
            container->finishWriting();
        }
        row.arrange(folder, path);
        const QStringList before = filesIn(folder);
        const QByteArray bytes = readFile(path);

        LogCapture log;
        auto container = StoreContainer::makeShared(false, path);
        EXPECT_TRUE(container->isInMemory());
        EXPECT_FALSE(log.contains(u"Moving it aside"_qs));
        EXPECT_TRUE(log.contains(row.logPart)) << log.lines().join(u'\n').toStdString();
        EXPECT_EQ(log.lines().size(), 1);
        container.reset();
        EXPECT_EQ(filesIn(folder), before);
        EXPECT_EQ(readFile(path), bytes);

        // The command line still reads it.
        auto reader = StoreContainer::openExisting(path);
        ASSERT_TRUE(reader);
        EXPECT_EQ(HistoryStore(reader).itemCount(), 1);
        ::chmod(QFile::encodeName(folder).constData(), 0700);
    }
}

TEST(StoreContainerTest, TheDataFolderFollowsXdgDataHomeAndInMemoryTouchesNothing) {
    QTemporaryDir folder;
    const QByteArray previous = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", "relative/ignored");
    EXPECT_EQ(StoreContainer::defaultStorePath(),
              QDir::homePath() + u"/.local/share/Quillbox/Quillbox.store"_qs);
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder.path()));
    EXPECT_EQ(StoreContainer::defaultStorePath(), folder.path() + u"/Quillbox/Quillbox.store"_qs);
    recordOne(StoreContainer::makeShared(true), u"transient"_qs);
    qputenv("XDG_DATA_HOME", previous);
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

} // namespace
} // namespace quillbox::testing
