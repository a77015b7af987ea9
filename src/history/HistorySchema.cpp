#include "history/HistorySchema.h"

#include "history/PayloadCodec.h"
#include "history/SqliteStatement.h"

#include <QList>
#include <sqlite3.h>

namespace quillbox::HistorySchema {

namespace {

// Times are UTC milliseconds since the epoch; ids are the 16 bytes of a UUID.
constexpr const char* createTables = R"sql(
CREATE TABLE IF NOT EXISTS ClipboardItem (
    pk INTEGER PRIMARY KEY,
    id BLOB NOT NULL,
    plainText TEXT,
    contentType TEXT NOT NULL DEFAULT 'public.utf8-plain-text',
    category TEXT NOT NULL DEFAULT 'text',
    title TEXT,
    sourceAppBundleID TEXT,
    sourceAppName TEXT,
    ocrText TEXT,
    characterCount INTEGER,
    imageDimensions TEXT,
    urlString TEXT,
    filePath TEXT,
    colorHex TEXT,
    contentHash TEXT NOT NULL DEFAULT '',
    copiedAt INTEGER NOT NULL,
    isPinned INTEGER NOT NULL DEFAULT 0,
    hasRichTextData INTEGER NOT NULL DEFAULT 0,
    hasThumbnailData INTEGER NOT NULL DEFAULT 0,
    isPlainTextInContent INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS ClipboardItem_copiedAt ON ClipboardItem (copiedAt);
CREATE TABLE IF NOT EXISTS ClipboardItemPayload (
    item INTEGER PRIMARY KEY REFERENCES ClipboardItem (pk) ON DELETE CASCADE,
    content BLOB NOT NULL,
    richTextData BLOB,
    thumbnailData BLOB,
    compressed INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS Pinboard (
    pk INTEGER PRIMARY KEY,
    id BLOB NOT NULL,
    name TEXT NOT NULL DEFAULT '',
    colorHex TEXT NOT NULL DEFAULT '#007AFF',
    sortOrder INTEGER NOT NULL DEFAULT 0,
    createdAt INTEGER NOT NULL,
    isShared INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS PinboardItem (
    pk INTEGER PRIMARY KEY,
    id BLOB NOT NULL,
    clipboardItem INTEGER REFERENCES ClipboardItem (pk) ON DELETE SET NULL,
    pinboard INTEGER REFERENCES Pinboard (pk) ON DELETE SET NULL,
    addedAt INTEGER NOT NULL,
    sortOrder INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS PinboardItem_clipboardItem ON PinboardItem (clipboardItem);
CREATE INDEX IF NOT EXISTS PinboardItem_pinboard ON PinboardItem (pinboard);
CREATE TABLE IF NOT EXISTS AppRule (
    pk INTEGER PRIMARY KEY,
    id BLOB NOT NULL,
    bundleIdentifier TEXT NOT NULL DEFAULT '',
    appName TEXT NOT NULL DEFAULT '',
    isExcluded INTEGER NOT NULL DEFAULT 1
);
CREATE TABLE IF NOT EXISTS StoreMeta (name TEXT PRIMARY KEY, value INTEGER NOT NULL);
INSERT OR REPLACE INTO StoreMeta (name, value) VALUES ('layoutRevision', 3);
PRAGMA user_version = 10000;
)sql";

// Revision 1 to 2: a text whose plain text is exactly its content's UTF-8
// (CAST gives a text's UTF-8 bytes) keeps only the payload copy. Items whose
// plain text differs (rich text, file lists) keep theirs. Pages freed here
// are zeroed (secure_delete) and reused by later copies.
constexpr const char* migrateToRevision2 = R"sql(
ALTER TABLE ClipboardItem ADD COLUMN isPlainTextInContent INTEGER NOT NULL DEFAULT 0;
UPDATE ClipboardItem SET isPlainTextInContent = 1, plainText = NULL
    WHERE plainText IS NOT NULL
      AND CAST(plainText AS BLOB) = (SELECT content FROM ClipboardItemPayload WHERE item = pk);
CREATE TABLE IF NOT EXISTS StoreMeta (name TEXT PRIMARY KEY, value INTEGER NOT NULL);
INSERT OR REPLACE INTO StoreMeta (name, value) VALUES ('layoutRevision', 2);
)sql";

// Revision 2 to 3, the part SQL does alone; rewriteForRevision3 does the rest.
constexpr const char* migrateToRevision3 = R"sql(
ALTER TABLE ClipboardItemPayload ADD COLUMN compressed INTEGER NOT NULL DEFAULT 0;
UPDATE ClipboardItem SET contentType = '' WHERE contentType = 'public.utf8-plain-text';
UPDATE ClipboardItem SET category = '' WHERE category = 'text';
CREATE INDEX IF NOT EXISTS ClipboardItem_copiedAt ON ClipboardItem (copiedAt);
INSERT OR REPLACE INTO StoreMeta (name, value) VALUES ('layoutRevision', 3);
)sql";

// Compresses the payloads that pay for it and turns hex digests into their
// bytes, row by row (the keys first: rows are not rewritten under a read of
// their own table). Runs inside the migration's transaction.
int rewriteForRevision3(sqlite3* db) {
    QList<qint64> keys;
    {
        SqliteStatement select(db, "SELECT item FROM ClipboardItemPayload ORDER BY item");
        int result = select.step();
        for (; result == SQLITE_ROW; result = select.step())
            keys.append(select.int64(0));
        if (result != SQLITE_DONE)
            return result;
    }
    PayloadCodec codec;
    SqliteStatement read(db,
                         "SELECT content, richTextData FROM ClipboardItemPayload WHERE item = ?");
    SqliteStatement write(db, "UPDATE ClipboardItemPayload SET content = ?, richTextData = ?,"
                              " compressed = ? WHERE item = ?");
    for (const qint64 key : std::as_const(keys)) {
        read.reset();
        read.bind(1, key);
        if (const int result = read.step(); result == SQLITE_DONE)
            continue;
        else if (result != SQLITE_ROW)
            return result;
        QByteArray content = read.bytes(0);
        std::optional<QByteArray> richText = read.optionalBytes(1);
        int compressed = 0;
        if (auto packed = codec.compress(content)) {
            content = std::move(*packed);
            compressed |= compressedContent;
        }
        if (richText) {
            if (auto packed = codec.compress(*richText)) {
                richText = std::move(*packed);
                compressed |= compressedRichTextData;
            }
        }
        read.reset();
        if (compressed == 0)
            continue;
        write.reset();
        write.bind(1, content);
        write.bind(2, richText);
        write.bind(3, qint64(compressed));
        write.bind(4, key);
        if (!write.run())
            return sqlite3_errcode(db);
    }

    QList<std::pair<qint64, QByteArray>> digests;
    {
        SqliteStatement select(db,
                               "SELECT pk, contentHash FROM ClipboardItem"
                               " WHERE typeof(contentHash) = 'text' AND length(contentHash) = 64");
        int result = select.step();
        for (; result == SQLITE_ROW; result = select.step()) {
            const QByteArray hex = select.bytes(1);
            // Only what reads back the same: lower-case digits.
            if (hex == hex.toLower() && QByteArray::fromHex(hex).toHex() == hex)
                digests.append({select.int64(0), QByteArray::fromHex(hex)});
        }
        if (result != SQLITE_DONE)
            return result;
    }
    SqliteStatement setHash(db, "UPDATE ClipboardItem SET contentHash = ? WHERE pk = ?");
    for (const auto& [key, digest] : std::as_const(digests)) {
        setHash.reset();
        setHash.bind(1, digest);
        setHash.bind(2, key);
        if (!setHash.run())
            return sqlite3_errcode(db);
    }
    return SQLITE_OK;
}

// Every column the store reads or writes: preparing it fails on a database
// whose tables lack one.
constexpr const char* checkColumns = R"sql(
SELECT c.pk, c.id, c.plainText, c.contentType, c.category, c.title, c.sourceAppBundleID,
       c.sourceAppName, c.ocrText, c.characterCount, c.imageDimensions, c.urlString,
       c.filePath, c.colorHex, c.contentHash, c.copiedAt, c.isPinned, c.hasRichTextData,
       c.hasThumbnailData, c.isPlainTextInContent, m.name, m.value, p.item, p.content,
       p.richTextData, p.thumbnailData, p.compressed,
       b.pk, b.id, b.name, b.colorHex, b.sortOrder, b.createdAt, b.isShared,
       l.pk, l.id, l.clipboardItem, l.pinboard, l.addedAt, l.sortOrder,
       r.pk, r.id, r.bundleIdentifier, r.appName, r.isExcluded
FROM ClipboardItem c, ClipboardItemPayload p, Pinboard b, PinboardItem l, AppRule r,
     StoreMeta m LIMIT 0
)sql";

int readUserVersion(sqlite3* db, int& version) {
    SqliteStatement statement(db, "PRAGMA user_version");
    const int result = statement.step();
    if (result != SQLITE_ROW)
        return result;
    version = int(statement.int64(0));
    return SQLITE_OK;
}

// Runs the statements, then `more`, in one transaction: all of them or, on
// failure, none.
int executeAtomically(sqlite3* db, const char* sql, int (*more)(sqlite3*) = nullptr) {
    if (const int result = execute(db, "BEGIN IMMEDIATE"); result != SQLITE_OK)
        return result;
    if (int result = execute(db, sql); result != SQLITE_OK || (more && (result = more(db)))) {
        execute(db, "ROLLBACK");
        return result;
    }
    if (const int commit = execute(db, "COMMIT"); commit != SQLITE_OK) {
        execute(db, "ROLLBACK");
        return commit;
    }
    return SQLITE_OK;
}

void rebuildFile(sqlite3* db) {
    bool isLogged = false;
    {
        SqliteStatement mode(db, "PRAGMA journal_mode");
        isLogged = mode.step() == SQLITE_ROW && mode.text(0) == u"wal";
    }
    if (isLogged && execute(db, "PRAGMA journal_mode = DELETE") != SQLITE_OK)
        return;
    const QByteArray pages = "PRAGMA page_size = " + QByteArray::number(pageSize);
    execute(db, pages.constData());
    execute(db, "PRAGMA auto_vacuum = INCREMENTAL; VACUUM");
    if (isLogged)
        execute(db, "PRAGMA journal_mode = WAL");
}

int prepareSchema(sqlite3* db, QString& error) {
    int version = 0;
    if (const int result = readUserVersion(db, version); result != SQLITE_OK)
        return result;
    if (version == 0) {
        // A new file (or an empty one): create everything in one transaction.
        if (const int result = executeAtomically(db, createTables); result != SQLITE_OK)
            return result;
    } else if (version != userVersion) {
        // There is no migration: another schema is as unusable as damage.
        error = QStringLiteral("unsupported schema version %1").arg(version);
        return SQLITE_FORMAT;
    } else {
        const int revision = readLayoutRevision(db);
        if (revision == 0) {
            const int code = sqlite3_errcode(db);
            error = QStringLiteral("unreadable store layout: %1").arg(lastError(db));
            return code == SQLITE_OK || code == SQLITE_ROW || code == SQLITE_DONE ? SQLITE_CORRUPT
                                                                                  : code;
        }
        if (revision > layoutRevision) {
            error = QStringLiteral("unsupported store layout %1").arg(revision);
            return SQLITE_FORMAT;
        }
        if (revision < 2) {
            if (const int result = executeAtomically(db, migrateToRevision2); result != SQLITE_OK)
                return result;
        }
        if (revision < 3) {
            if (const int result = executeAtomically(db, migrateToRevision3, rewriteForRevision3);
                result != SQLITE_OK)
                return result;
            // The rewrite left the old rows' pages free: the file is rebuilt
            // once, compact, in the pages of a new file and able to give
            // pages back from then on (a page size changes only outside
            // write-ahead logging). Not being able to only costs space.
            rebuildFile(db);
        }
    }
    SqliteStatement check(db, checkColumns);
    return check.isValid() ? SQLITE_OK : check.prepareResult();
}

} // namespace

int readLayoutRevision(sqlite3* db) {
    SqliteStatement table(
        db, "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = 'StoreMeta'");
    if (table.step() != SQLITE_ROW)
        return 0;
    if (table.int64(0) == 0)
        return firstLayoutRevision;
    SqliteStatement meta(db, "SELECT value FROM StoreMeta WHERE name = 'layoutRevision'");
    const int result = meta.step();
    if (result == SQLITE_DONE)
        return firstLayoutRevision;
    return result == SQLITE_ROW ? int(meta.int64(0)) : 0;
}

int checkVersion(sqlite3* db, QString& error) {
    int version = 0;
    int result = readUserVersion(db, version);
    if (result == SQLITE_OK && version != 0 && version != userVersion) {
        error = QStringLiteral("unsupported schema version %1").arg(version);
        result = SQLITE_FORMAT;
    }
    if (result != SQLITE_OK && error.isEmpty())
        error = lastError(db);
    return result;
}

int prepare(sqlite3* db, QString& error) {
    const int result = prepareSchema(db, error);
    if (result != SQLITE_OK && error.isEmpty())
        error = lastError(db);
    return result;
}

} // namespace quillbox::HistorySchema
