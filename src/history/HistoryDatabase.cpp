#include "history/HistoryDatabase.h"

#include "content/Logging.h"
#include "content/PasteboardTypes.h"
#include "history/HistorySchema.h"
#include "history/PayloadCodec.h"
#include "history/SqliteStatement.h"

#include <algorithm>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace quillbox {

namespace {

qint64 milliseconds(const QDateTime& time) {
    return time.toMSecsSinceEpoch();
}
QDateTime dateTime(qint64 milliseconds) {
    return QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::UTC);
}
QUuid uuid(const QByteArray& bytes) {
    return QUuid::fromRfc4122(bytes);
}

// A commit that wrote this much payload leaves a write-ahead log as large
// behind it; the log is emptied and cut back at once rather than doubling
// the space the copy takes until the next write.
constexpr qint64 walTruncationPayloadBytes = 4 * 1024 * 1024;

// A text kept in the content is listed from its start: this many bytes (one
// more than an item keeps, which tells a whole text from a long one).
constexpr qint64 listingPrefixBytes = ClipboardItem::listingTextBytes + 1;

// When a commit has left this many free pages behind (deleted items), they
// are given back to the file system rather than kept for later copies.
constexpr qint64 freePagesToGiveBack = 256;

// A payload column's name and the two statements that read it, in the order
// of PayloadColumn: the bytes and whether they are compressed; the stored
// length, whether compressed, and then the size header (read only for a
// compressed payload, so a large raw one is never loaded for its size). A
// store of an older layout has nothing compressed. The statement texts are
// literals: the statement cache keys on their addresses.
struct PayloadColumnSql {
    const char* name;
    const char* select;
    const char* length;
};

const PayloadColumnSql& sqlFor(HistoryDatabase::PayloadColumn column, int layoutRevision) {
    static constexpr PayloadColumnSql columns[] = {
        {"content", "SELECT content, compressed & 1 FROM ClipboardItemPayload WHERE item = ?",
         "SELECT length(content), compressed & 1,"
         " CASE WHEN compressed & 1 THEN substr(content, 1, 4) END"
         " FROM ClipboardItemPayload WHERE item = ?"},
        {"richTextData",
         "SELECT richTextData, compressed & 2 FROM ClipboardItemPayload WHERE item = ?",
         "SELECT length(richTextData), compressed & 2,"
         " CASE WHEN compressed & 2 THEN substr(richTextData, 1, 4) END"
         " FROM ClipboardItemPayload WHERE item = ?"},
        {"thumbnailData", "SELECT thumbnailData, 0 FROM ClipboardItemPayload WHERE item = ?",
         "SELECT length(thumbnailData), 0, NULL FROM ClipboardItemPayload WHERE item = ?"},
    };
    static constexpr PayloadColumnSql olderColumns[] = {
        {"content", "SELECT content, 0 FROM ClipboardItemPayload WHERE item = ?",
         "SELECT length(content), 0, NULL FROM ClipboardItemPayload WHERE item = ?"},
        {"richTextData", "SELECT richTextData, 0 FROM ClipboardItemPayload WHERE item = ?",
         "SELECT length(richTextData), 0, NULL FROM ClipboardItemPayload WHERE item = ?"},
        {"thumbnailData", "SELECT thumbnailData, 0 FROM ClipboardItemPayload WHERE item = ?",
         "SELECT length(thumbnailData), 0, NULL FROM ClipboardItemPayload WHERE item = ?"},
    };
    return (layoutRevision >= 3 ? columns : olderColumns)[static_cast<int>(column)];
}

// The commonest type and category are kept as '' (each row of a copied text
// would otherwise repeat them).
const QString& plainTextCategory() {
    static const QString category = rawValue(ContentCategory::text);
    return category;
}
QString storedType(const QString& type) {
    return type == PasteboardType::string ? QString(u""_s) : type;
}
QString storedCategory(const QString& category) {
    return category == plainTextCategory() ? QString(u""_s) : category;
}

qint64 nextKey(sqlite3* db, const char* sql) {
    SqliteStatement statement(db, sql);
    return statement.step() == SQLITE_ROW ? statement.int64(0) + 1 : 1;
}

} // namespace

HistoryDatabase::HistoryDatabase(StoreContainerPtr container)
    : m_container(std::move(container))
    , m_codec(std::make_unique<PayloadCodec>())
    , m_layoutRevision(HistorySchema::readLayoutRevision(m_container->handle())) {
}

HistoryDatabase::~HistoryDatabase() = default;

SqliteStatement& HistoryDatabase::statement(const char* sql) {
    auto& cached = m_statements[sql];
    if (!cached)
        cached = std::make_shared<SqliteStatement>(m_container->handle(), sql);
    cached->reset();
    return *cached;
}

QString HistoryDatabase::lastError() const {
    return quillbox::lastError(m_container->handle());
}

// The listing fields of items, with the start of a text kept in the
// content when it is short; length() of a blob reads no more than its
// header, so a long one costs nothing here. A store of the first layout
// (read-only, so not brought up to date) keeps every text in its own column.
// A compressed content is never larger than PayloadCodec::maximumSize, so it
// is read whole and its start inflated.
QByteArray HistoryDatabase::itemsSql(const char* tail) const {
    const QByteArray listed = m_layoutRevision >= 3
                                  ? QByteArray("(p.compressed & 1 OR length(p.content) <= ")
                                  : QByteArray("(length(p.content) <= ");
    return "SELECT c.pk, c.id, c.plainText, c.contentType, c.category, c.title,"
           " c.sourceAppBundleID, c.sourceAppName, c.ocrText, c.characterCount, "
           "c.imageDimensions,"
           " c.urlString, c.filePath, c.colorHex, c.contentHash, c.copiedAt, c.isPinned,"
           " c.hasRichTextData, c.hasThumbnailData, " +
           (m_layoutRevision >= 2
                ? "c.isPlainTextInContent, CASE WHEN c.isPlainTextInContent AND " + listed +
                      QByteArray::number(ClipboardItem::listingTextBytes) +
                      ") THEN p.content END, " +
                      (m_layoutRevision >= 3 ? "p.compressed & 1" : "0") +
                      " FROM ClipboardItem c LEFT JOIN ClipboardItemPayload p ON p.item = c.pk "
                : QByteArray("0, NULL, 0 FROM ClipboardItem c ")) +
           tail;
}

ClipboardItemPtr HistoryDatabase::itemFromRow(const SqliteStatement& row, bool& isLongContentText) {
    auto item = std::make_shared<ClipboardItem>(ClipboardItem::StoredTag());
    item->m_database = this;
    item->m_rowID = row.int64(0);
    item->m_id = uuid(row.bytes(1));
    isLongContentText = false;
    if (row.int64(19) != 0) {
        if (row.isNull(20)) {
            isLongContentText = true; // its start is for the caller to read
        } else if (row.int64(21) != 0) {
            const QByteArray stored = row.bytes(20);
            const bool isWhole =
                PayloadCodec::originalSize(stored) <= ClipboardItem::listingTextBytes;
            const auto text = inflated(item->m_rowID, PayloadColumn::content, stored,
                                       isWhole ? -1 : listingPrefixBytes);
            item->setPlainTextUtf8(text.value_or(QByteArray("", 0)), true, isWhole);
        } else {
            item->setPlainTextUtf8(row.bytes(20), true, true);
        }
    } else if (!row.isNull(2)) {
        // The column's UTF-8 as it is, without a round trip through UTF-16.
        item->setPlainTextUtf8(row.bytes(2), false, true);
    }
    const QString type = row.text(3);
    const QString category = row.text(4);
    item->setOrigin(type.isEmpty() ? PasteboardType::string : type,
                    category.isEmpty() ? plainTextCategory() : category, row.text(6), row.text(7));
    item->setTitle(row.optionalText(5));
    item->setOcrText(row.optionalText(8));
    item->setCharacterCount(row.optionalInt64(9));
    item->setImageDimensions(row.optionalText(10));
    item->setUrlString(row.optionalText(11));
    item->setFilePath(row.optionalText(12));
    item->setColorHex(row.optionalText(13));
    if (row.isBlob(14) && row.bytes(14).size() == qsizetype(item->m_hash.size())) {
        const QByteArray digest = row.bytes(14);
        std::copy(digest.cbegin(), digest.cend(), item->m_hash.begin());
        item->m_isDigestHash = true;
    } else {
        item->setContentHash(row.text(14));
    }
    item->m_copiedAtMs = row.int64(15);
    item->m_isPinned = row.int64(16) != 0;
    item->m_hasRichTextData = row.int64(17) != 0;
    item->m_hasThumbnailData = row.int64(18) != 0;
    return item;
}

void HistoryDatabase::readListingStart(ClipboardItem& item) {
    item.setPlainTextUtf8(readPayload(item.m_rowID, PayloadColumn::content, 0, listingPrefixBytes),
                          true, false);
}

HistoryDatabase::Contents HistoryDatabase::load(Part part, QList<PinboardPtr> pinboards) {
    Contents contents;
    contents.pinboards = std::move(pinboards);
    // One read transaction, so the tables are read as one picture.
    execute(m_container->handle(), "BEGIN");
    if (part == Part::collections)
        readCollections(contents);
    else
        readItems(contents);
    execute(m_container->handle(), "COMMIT");
    return contents;
}

void HistoryDatabase::readCollections(Contents& contents) {
    sqlite3* db = m_container->handle();
    SqliteStatement pinboards(db, "SELECT pk, id, name, colorHex, sortOrder, createdAt, isShared"
                                  " FROM Pinboard ORDER BY sortOrder, pk");
    while (pinboards.step() == SQLITE_ROW) {
        auto pinboard = PinboardPtr(new Pinboard());
        pinboard->m_rowID = pinboards.int64(0);
        pinboard->m_id = uuid(pinboards.bytes(1));
        pinboard->m_name = pinboards.text(2);
        pinboard->m_colorHex = pinboards.text(3);
        pinboard->m_sortOrder = pinboards.int64(4);
        pinboard->m_createdAt = dateTime(pinboards.int64(5));
        pinboard->m_isShared = pinboards.int64(6) != 0;
        contents.pinboards.append(pinboard);
    }
    SqliteStatement rules(db, "SELECT pk, id, bundleIdentifier, appName, isExcluded"
                              " FROM AppRule ORDER BY appName, pk");
    while (rules.step() == SQLITE_ROW) {
        auto rule = AppRulePtr(new AppRule());
        rule->m_rowID = rules.int64(0);
        rule->m_id = uuid(rules.bytes(1));
        rule->m_bundleIdentifier = rules.text(2);
        rule->m_appName = rules.text(3);
        rule->m_isExcluded = rules.int64(4) != 0;
        contents.rules.append(rule);
    }
    contents.nextPinboardKey = nextKey(db, "SELECT max(pk) FROM Pinboard");
    contents.nextRuleKey = nextKey(db, "SELECT max(pk) FROM AppRule");
}

void HistoryDatabase::readItems(Contents& contents) {
    sqlite3* db = m_container->handle();
    // In key order, which follows the file; sorting by time is cheaper in memory.
    const QByteArray sql = itemsSql("ORDER BY c.pk");
    SqliteStatement items(db, sql.constData());
    QList<ClipboardItemPtr> longContentTexts;
    int result = items.step();
    for (; result == SQLITE_ROW; result = items.step()) {
        bool isLongContentText = false;
        auto item = itemFromRow(items, isLongContentText);
        if (isLongContentText)
            longContentTexts.append(item);
        contents.items.append(std::move(item));
    }
    if (result != SQLITE_DONE)
        qCWarning(lcStore).noquote()
            << QStringLiteral("Quillbox: failed to read history: %1").arg(lastError());
    for (const ClipboardItemPtr& item : std::as_const(longContentTexts))
        readListingStart(*item);
    // Still in key order here: links find their items by binary search.
    const auto itemWithKey = [&contents](qint64 key) -> ClipboardItemPtr {
        const auto found = std::lower_bound(
            contents.items.cbegin(), contents.items.cend(), key,
            [](const ClipboardItemPtr& item, qint64 k) { return item->m_rowID < k; });
        return found != contents.items.cend() && (*found)->m_rowID == key ? *found : nullptr;
    };
    QHash<qint64, PinboardPtr> pinboardsByKey;
    for (const PinboardPtr& pinboard : std::as_const(contents.pinboards))
        pinboardsByKey.insert(pinboard->m_rowID, pinboard);
    SqliteStatement links(db, "SELECT pk, id, clipboardItem, pinboard, addedAt, sortOrder"
                              " FROM PinboardItem ORDER BY sortOrder, pk");
    while (links.step() == SQLITE_ROW) {
        auto link = PinboardItemPtr(new PinboardItem());
        link->m_rowID = links.int64(0);
        link->m_id = uuid(links.bytes(1));
        if (!links.isNull(2))
            link->m_clipboardItem = itemWithKey(links.int64(2));
        if (!links.isNull(3))
            link->m_pinboard = pinboardsByKey.value(links.int64(3));
        link->m_addedAt = dateTime(links.int64(4));
        link->m_sortOrder = links.int64(5);
        contents.links.append(link);
    }

    std::sort(contents.items.begin(), contents.items.end(), [](const auto& a, const auto& b) {
        if (a->m_copiedAtMs != b->m_copiedAtMs)
            return a->m_copiedAtMs > b->m_copiedAtMs;
        return a->m_rowID > b->m_rowID;
    });
    contents.nextItemKey = nextKey(db, "SELECT max(pk) FROM ClipboardItem");
    contents.nextLinkKey = nextKey(db, "SELECT max(pk) FROM PinboardItem");
}

bool HistoryDatabase::beginSnapshot() {
    sqlite3* db = m_container->handle();
    // The first read fixes the picture the transaction sees.
    if (execute(db, "BEGIN") != SQLITE_OK)
        return false;
    auto keys = std::make_unique<SqliteStatement>(
        db, "SELECT pk FROM ClipboardItem ORDER BY copiedAt DESC, pk DESC");
    const int first = keys->step();
    if (first != SQLITE_ROW && first != SQLITE_DONE) {
        rollback();
        return false;
    }
    m_snapshotKeys = std::move(keys);
    m_snapshotItemSql = itemsSql("WHERE c.pk = ?");
    m_snapshotStep = first;
    return true;
}

ClipboardItemPtr HistoryDatabase::nextSnapshotItem() {
    // Only the keys are sorted: the rows, a text's start among them, are
    // read one at a time.
    while (m_snapshotKeys && m_snapshotStep == SQLITE_ROW) {
        const qint64 key = m_snapshotKeys->int64(0);
        m_snapshotStep = m_snapshotKeys->step();
        SqliteStatement& row = statement(m_snapshotItemSql.constData());
        row.bind(1, key);
        if (row.step() != SQLITE_ROW)
            continue;
        bool isLongContentText = false;
        auto item = itemFromRow(row, isLongContentText);
        row.reset();
        if (isLongContentText)
            readListingStart(*item);
        return item;
    }
    return nullptr;
}

std::optional<QByteArray> HistoryDatabase::inflated(qint64 itemKey, PayloadColumn column,
                                                    QByteArrayView stored, qsizetype maxBytes) {
    auto bytes = m_codec->decompress(stored, maxBytes);
    if (!bytes) {
        // What can be read of the item still is; the damaged payload reads
        // as absent (an empty content), never as some other bytes.
        qCWarning(lcStore).noquote()
            << QStringLiteral("Quillbox: the stored %1 of item %2 is damaged and can't be read")
                   .arg(QLatin1String(sqlFor(column, m_layoutRevision).name))
                   .arg(itemKey);
    }
    return bytes;
}

std::optional<QByteArray> HistoryDatabase::payload(qint64 itemKey, PayloadColumn column) {
    if (m_inflatedKey == itemKey && m_inflatedColumn == column)
        return m_inflated;
    SqliteStatement& statement = this->statement(sqlFor(column, m_layoutRevision).select);
    statement.bind(1, itemKey);
    std::optional<QByteArray> bytes;
    bool isCompressed = false;
    if (statement.step() == SQLITE_ROW) {
        bytes = statement.optionalBytes(0);
        isCompressed = statement.int64(1) != 0;
    }
    statement.reset();
    if (bytes && isCompressed)
        return inflated(itemKey, column, *bytes);
    return bytes;
}

qint64 HistoryDatabase::payloadSize(qint64 itemKey, PayloadColumn column) {
    SqliteStatement& statement = this->statement(sqlFor(column, m_layoutRevision).length);
    statement.bind(1, itemKey);
    qint64 size = 0;
    if (statement.step() == SQLITE_ROW) {
        size = statement.int64(1) != 0
                   ? std::max<qint64>(0, PayloadCodec::originalSize(statement.bytes(2)))
                   : statement.int64(0);
    }
    statement.reset();
    return size;
}

QByteArray HistoryDatabase::readPayload(qint64 itemKey, PayloadColumn column, qint64 offset,
                                        qint64 maxBytes) {
    if (isCompressed(itemKey, column)) {
        // Inflated once for all the pieces a reader asks for in turn.
        if (m_inflatedKey != itemKey || m_inflatedColumn != column) {
            m_inflatedKey = 0;
            m_inflated = payload(itemKey, column);
            m_inflatedKey = itemKey;
            m_inflatedColumn = column;
        }
        if (!m_inflated || offset < 0 || offset >= m_inflated->size() || maxBytes <= 0)
            return {};
        QByteArray piece = m_inflated->mid(offset, maxBytes);
        if (offset + maxBytes >= m_inflated->size()) {
            m_inflatedKey = 0; // the last piece: nothing more to keep it for
            m_inflated.reset();
        }
        return piece;
    }
    // A handle per piece: a handle kept open would hold a read transaction
    // (and keep the log from being folded in) for as long as a caller streams.
    sqlite3_blob* blob = nullptr;
    if (sqlite3_blob_open(m_container->handle(), "main", "ClipboardItemPayload",
                          sqlFor(column, m_layoutRevision).name, itemKey, 0, &blob) != SQLITE_OK) {
        sqlite3_blob_close(blob);
        return {};
    }
    const qint64 size = sqlite3_blob_bytes(blob);
    QByteArray piece;
    if (offset >= 0 && offset < size && maxBytes > 0) {
        piece.resize(std::min(maxBytes, size - offset));
        if (sqlite3_blob_read(blob, piece.data(), int(piece.size()), int(offset)) != SQLITE_OK)
            piece.clear();
    }
    sqlite3_blob_close(blob);
    return piece;
}

std::optional<QString> HistoryDatabase::plainText(qint64 itemKey, bool isInContent) {
    if (isInContent) {
        if (auto bytes = payload(itemKey, PayloadColumn::content))
            return QString::fromUtf8(*bytes);
        return std::nullopt;
    }
    SqliteStatement& statement =
        this->statement("SELECT plainText FROM ClipboardItem WHERE pk = ?");
    statement.bind(1, itemKey);
    std::optional<QString> text;
    if (statement.step() == SQLITE_ROW)
        text = statement.optionalText(0);
    statement.reset();
    return text;
}

bool HistoryDatabase::isCompressed(qint64 itemKey, PayloadColumn column) {
    if (m_layoutRevision < 3 || column == PayloadColumn::thumbnailData)
        return false;
    SqliteStatement& statement = this->statement(sqlFor(column, m_layoutRevision).length);
    statement.bind(1, itemKey);
    const bool compressed = statement.step() == SQLITE_ROW && statement.int64(1) != 0;
    statement.reset();
    return compressed;
}

bool HistoryDatabase::begin() {
    m_payloadBytesWritten = 0;
    m_hasDeleted = false;
    m_inflatedKey = 0; // a key deleted here may come back with other bytes
    m_inflated.reset();
    // IMMEDIATE takes the write lock at once, so a busy store fails here and
    // not half-way through the changes.
    return execute(m_container->handle(), "BEGIN IMMEDIATE") == SQLITE_OK;
}

bool HistoryDatabase::commit() {
    if (execute(m_container->handle(), "COMMIT") != SQLITE_OK)
        return false;
    if (m_payloadBytesWritten >= walTruncationPayloadBytes && !m_container->isInMemory()) {
        // Not being able to (a reader in another process) only costs space.
        // A reader of our own (an export) would hold this thread up until
        // it ends: then as much is folded in as can be without waiting.
        execute(m_container->handle(), m_container->hasOpenReaders()
                                           ? "PRAGMA wal_checkpoint(PASSIVE)"
                                           : "PRAGMA wal_checkpoint(TRUNCATE)");
    }
    m_payloadBytesWritten = 0;
    if (m_hasDeleted && !m_container->isInMemory()) {
        SqliteStatement freePages(m_container->handle(), "PRAGMA freelist_count");
        if (freePages.step() == SQLITE_ROW && freePages.int64(0) >= freePagesToGiveBack) {
            freePages.reset();
            execute(m_container->handle(), "PRAGMA incremental_vacuum");
        }
    }
    m_hasDeleted = false;
    return true;
}

void HistoryDatabase::rollback() {
    if (!sqlite3_get_autocommit(m_container->handle()))
        execute(m_container->handle(), "ROLLBACK");
}

// Runs one statement with the values bound in order.
template <typename... Values> bool HistoryDatabase::run(const char* sql, const Values&... values) {
    SqliteStatement& row = statement(sql);
    int index = 0;
    (row.bind(++index, values), ...);
    return row.run();
}

bool HistoryDatabase::insertItem(const ClipboardItem& item) {
    const auto* unsaved = item.m_payload.get();
    // A text that is its content's UTF-8 is stored once, as the content.
    std::optional<QString> ownPlainText;
    if (!item.m_isPlainTextInContent)
        ownPlainText = item.m_isPlainTextShortened && unsaved ? unsaved->longPlainText
                                                              : item.plainTextPreview();
    // A digest as its 32 bytes, anything else as the text it was given.
    const auto insertRow = [&](const auto& hash) {
        return run(
            "INSERT INTO ClipboardItem (pk, id, plainText, contentType, category, title,"
            " sourceAppBundleID, sourceAppName, ocrText, characterCount, imageDimensions,"
            " urlString, filePath, colorHex, contentHash, copiedAt, isPinned, hasRichTextData,"
            " hasThumbnailData, isPlainTextInContent)"
            " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
            item.m_rowID, item.m_id.toRfc4122(), ownPlainText, storedType(item.contentType()),
            storedCategory(item.category()), item.title(), item.sourceAppBundleID(),
            item.sourceAppName(), item.ocrText(), item.characterCount(), item.imageDimensions(),
            item.urlString(), item.filePath(), item.colorHex(), hash, item.m_copiedAtMs,
            qint64(item.m_isPinned), qint64(item.m_hasRichTextData),
            qint64(item.m_hasThumbnailData), qint64(item.m_isPlainTextInContent));
    };
    const bool isRowWritten =
        item.m_isDigestHash
            ? insertRow(QByteArray(reinterpret_cast<const char*>(item.m_hash.data()),
                                   qsizetype(item.m_hash.size())))
            : insertRow(item.contentHash());
    if (!isRowWritten)
        return false;
    if (m_inflatedKey == item.m_rowID)
        m_inflatedKey = 0;
    QByteArray content = unsaved ? unsaved->content : QByteArray();
    std::optional<QByteArray> richTextData = unsaved ? unsaved->richTextData : std::nullopt;
    qint64 compressed = 0;
    if (auto packed = m_codec->compress(content)) {
        content = std::move(*packed);
        compressed |= HistorySchema::compressedContent;
    }
    if (richTextData) {
        if (auto packed = m_codec->compress(*richTextData)) {
            richTextData = std::move(*packed);
            compressed |= HistorySchema::compressedRichTextData;
        }
    }
    if (unsaved) {
        m_payloadBytesWritten += content.size() + (richTextData ? richTextData->size() : 0) +
                                 (unsaved->thumbnailData ? unsaved->thumbnailData->size() : 0) +
                                 unsaved->longPlainText.size();
    }
    return run("INSERT INTO ClipboardItemPayload (item, content, richTextData, thumbnailData,"
               " compressed) VALUES (?, ?, ?, ?, ?)",
               item.m_rowID, content, richTextData, unsaved ? unsaved->thumbnailData : std::nullopt,
               compressed);
}

bool HistoryDatabase::updateItem(const ClipboardItem& item) {
    return run("UPDATE ClipboardItem SET copiedAt = ?, isPinned = ?, ocrText = ? WHERE pk = ?",
               item.m_copiedAtMs, qint64(item.m_isPinned), item.ocrText(), item.m_rowID);
}

bool HistoryDatabase::deleteItem(qint64 key) {
    m_hasDeleted = true;
    if (m_inflatedKey == key)
        m_inflatedKey = 0;
    // The payload row goes with it (ON DELETE CASCADE).
    return run("DELETE FROM ClipboardItem WHERE pk = ?", key);
}

bool HistoryDatabase::insertPinboard(const Pinboard& pinboard) {
    return run("INSERT INTO Pinboard (pk, id, name, colorHex, sortOrder, createdAt, isShared)"
               " VALUES (?, ?, ?, ?, ?, ?, ?)",
               pinboard.m_rowID, pinboard.m_id.toRfc4122(), pinboard.m_name, pinboard.m_colorHex,
               pinboard.m_sortOrder, milliseconds(pinboard.m_createdAt),
               qint64(pinboard.m_isShared));
}

bool HistoryDatabase::updatePinboard(const Pinboard& pinboard) {
    return run("UPDATE Pinboard SET name = ?, colorHex = ? WHERE pk = ?", pinboard.m_name,
               pinboard.m_colorHex, pinboard.m_rowID);
}

bool HistoryDatabase::deletePinboard(qint64 key) {
    return run("DELETE FROM Pinboard WHERE pk = ?", key);
}

bool HistoryDatabase::insertLink(const PinboardItem& link) {
    // A link whose end is gone keeps NULL there, as the nullify rule leaves it.
    const auto keyOf = [](const auto& end) {
        return end ? std::optional<qint64>(end->m_rowID) : std::nullopt;
    };
    return run("INSERT INTO PinboardItem (pk, id, clipboardItem, pinboard, addedAt, sortOrder)"
               " VALUES (?, ?, ?, ?, ?, ?)",
               link.m_rowID, link.m_id.toRfc4122(), keyOf(link.m_clipboardItem),
               keyOf(link.m_pinboard), milliseconds(link.m_addedAt), link.m_sortOrder);
}

bool HistoryDatabase::deleteLink(qint64 key) {
    return run("DELETE FROM PinboardItem WHERE pk = ?", key);
}

bool HistoryDatabase::insertRule(const AppRule& rule) {
    return run("INSERT INTO AppRule (pk, id, bundleIdentifier, appName, isExcluded)"
               " VALUES (?, ?, ?, ?, ?)",
               rule.m_rowID, rule.m_id.toRfc4122(), rule.m_bundleIdentifier, rule.m_appName,
               qint64(rule.m_isExcluded));
}

bool HistoryDatabase::updateRule(const AppRule& rule) {
    return run("UPDATE AppRule SET isExcluded = ? WHERE pk = ?", qint64(rule.m_isExcluded),
               rule.m_rowID);
}

bool HistoryDatabase::deleteRule(qint64 key) {
    return run("DELETE FROM AppRule WHERE pk = ?", key);
}

} // namespace quillbox
