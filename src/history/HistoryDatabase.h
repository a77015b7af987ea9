#pragma once

#include "history/AppRule.h"
#include "history/ClipboardItem.h"
#include "history/Pinboard.h"
#include "history/PinboardItem.h"
#include "history/StoreContainer.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace quillbox {

class PayloadCodec;
class SqliteStatement;

// The SQL behind HistoryStore: reads every record's listing fields at start
// and writes single records inside a transaction the store opens and ends.
class HistoryDatabase {
public:
    explicit HistoryDatabase(StoreContainerPtr container);
    ~HistoryDatabase();

    struct Contents {
        QList<ClipboardItemPtr> items; // newest first
        // The same by content hash, when the reader has sorted them.
        std::vector<ClipboardItemPtr> itemsByHash;
        QList<PinboardPtr> pinboards;
        QList<PinboardItemPtr> links;
        QList<AppRulePtr> rules;
        qint64 nextItemKey = 1;
        qint64 nextPinboardKey = 1;
        qint64 nextLinkKey = 1;
        qint64 nextRuleKey = 1;
    };
    // A failed read leaves what was read so far and logs the error. The
    // pinboards and rules are a few rows, read first; then the items, many,
    // with their links joined to `pinboards`. Each read is one transaction.
    enum class Part { collections, items };
    Contents load(Part part, QList<PinboardPtr> pinboards = {});

    // One picture of the store, for a connection of its own (an export):
    // after beginSnapshot, what the items were at that moment, newest first,
    // one at a time (null at the end), whatever is written elsewhere meanwhile.
    bool beginSnapshot();
    ClipboardItemPtr nextSnapshotItem();

    enum class PayloadColumn { content, richTextData, thumbnailData };
    std::optional<QByteArray> payload(qint64 itemKey, PayloadColumn column);
    // The size in bytes (0 when absent), and a piece read without loading
    // the rest: up to maxBytes from offset.
    qint64 payloadSize(qint64 itemKey, PayloadColumn column);
    QByteArray readPayload(qint64 itemKey, PayloadColumn column, qint64 offset, qint64 maxBytes);
    // A whole plain text: the content read as UTF-8, or the item's own column.
    std::optional<QString> plainText(qint64 itemKey, bool isInContent);

    bool begin();
    bool commit();
    void rollback();
    QString lastError() const;

    bool insertItem(const ClipboardItem& item);
    bool updateItem(const ClipboardItem& item);
    bool deleteItem(qint64 key);
    bool insertPinboard(const Pinboard& pinboard);
    bool updatePinboard(const Pinboard& pinboard);
    bool deletePinboard(qint64 key);
    bool insertLink(const PinboardItem& link);
    bool deleteLink(qint64 key);
    bool insertRule(const AppRule& rule);
    bool updateRule(const AppRule& rule);
    bool deleteRule(qint64 key);

private:
    void readCollections(Contents& contents);
    void readItems(Contents& contents);
    SqliteStatement& statement(const char* sql);
    QByteArray itemsSql(const char* tail) const;
    // An item from a row of itemsSql(); a long text kept in the content is
    // left for readListingStart.
    ClipboardItemPtr itemFromRow(const SqliteStatement& row, bool& isLongContentText);
    void readListingStart(ClipboardItem& item);
    // A compressed payload's bytes (or their start), logged when damaged.
    std::optional<QByteArray> inflated(qint64 itemKey, PayloadColumn column, QByteArrayView stored,
                                       qsizetype maxBytes = -1);
    bool isCompressed(qint64 itemKey, PayloadColumn column);
    template <typename... Values> bool run(const char* sql, const Values&... values);

    StoreContainerPtr m_container;
    QHash<const char*, std::shared_ptr<SqliteStatement>> m_statements;
    std::unique_ptr<PayloadCodec> m_codec;
    int m_layoutRevision = 0;
    qint64 m_payloadBytesWritten = 0; // in the transaction being written
    bool m_hasDeleted = false;        // in the transaction being written
    // The last compressed payload read in pieces, inflated once for all of them.
    qint64 m_inflatedKey = 0;
    PayloadColumn m_inflatedColumn = PayloadColumn::content;
    std::optional<QByteArray> m_inflated;
    std::unique_ptr<SqliteStatement> m_snapshotKeys; // items' keys, newest first
    int m_snapshotStep = 0;
    QByteArray m_snapshotItemSql;
};

} // namespace quillbox
