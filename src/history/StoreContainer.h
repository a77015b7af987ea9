#pragma once

#include <QString>
#include <memory>

struct sqlite3;

namespace quillbox {

// The open database that holds the whole history: one SQLite file in WAL mode
// (with its "-wal" and "-shm" companions) or, as a last resort, memory only.
// Opening sets a damaged file aside under a ".broken-<unix time>" name and
// starts afresh, so the application always gets a working store.
class StoreContainer {
public:
    static inline const QString schemaVersion = QStringLiteral("1.0.0");
    static inline const QString storeFileName = QStringLiteral("Quillbox.store");

    // $XDG_DATA_HOME/Quillbox/Quillbox.store (XDG_DATA_HOME defaults to ~/.local/share).
    static QString defaultStorePath();

    // The persistent store at storePath (the default path when empty), or the
    // fallbacks: damaged files moved aside and a fresh store; memory only. A
    // store this user may not write (another user's file, a read-only
    // folder) is not damage: it is left as it is and the history kept in memory.
    static std::shared_ptr<StoreContainer> makeShared(bool inMemory, const QString& storePath = {});
    // The store at storePath as it is, for a reader beside the application
    // (the command line while Quillbox is not running): nothing is created or
    // moved aside; null when there is no store or it can't be opened. A store
    // this user may not write is opened read-only.
    static std::shared_ptr<StoreContainer> openExisting(const QString& storePath);
    // Terminates the process when even memory can't hold a store.
    static std::shared_ptr<StoreContainer> makeInMemory();
    // Renames the main file and its "-shm" and "-wal" companions that exist to
    // "<path>.broken-<stamp><suffix>", one stamp for all three; failures are ignored.
    static void moveStoreAside(const QString& storePath);

    ~StoreContainer();
    StoreContainer(const StoreContainer&) = delete;
    StoreContainer& operator=(const StoreContainer&) = delete;

    // At quit: folds the write-ahead log into the main file and removes the
    // "-wal" and "-shm" files, so nothing (a deleted item's text included)
    // stays behind in them. The store stays usable.
    void finishWriting();

    // A second, read-only connection to the same file, for reading one
    // picture of the store while this connection goes on writing; null in
    // memory or when it can't be opened. While any is open, writes here no
    // longer wait for readers to fold the write-ahead log back.
    std::shared_ptr<StoreContainer> openReader() const;
    bool hasOpenReaders() const { return *m_openReaders > 0; }

    bool isInMemory() const { return m_path.isEmpty(); }
    bool isReadOnly() const { return m_isReadOnly; }
    QString path() const { return m_path; } // empty in memory
    sqlite3* handle() const { return m_db; }

private:
    struct OpenResult;
    StoreContainer(sqlite3* db, QString path);
    static OpenResult open(const QString& path);
    static OpenResult openReadOnly(const QString& path);

    sqlite3* m_db = nullptr;
    QString m_path;
    bool m_isReadOnly = false;
    // Readers opened on this store and still open; shared with them.
    std::shared_ptr<int> m_openReaders = std::make_shared<int>(0);
    bool m_isReader = false;
};

using StoreContainerPtr = std::shared_ptr<StoreContainer>;

} // namespace quillbox
