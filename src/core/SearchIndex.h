#pragma once

#include "content/ContentCategory.h"
#include "history/ClipboardItem.h"

#include <QList>
#include <QSet>
#include <QString>
#include <optional>
#include <unordered_map>

namespace quillbox {

// The history in its listing order with what filtering needs precomputed per
// item: its kind and the case-folded text of its five searched fields
// (plainText, title, urlString, ocrText, sourceAppName). Rebuilt when the
// history changes; a filter then only scans. Folded texts are kept per item
// across rebuilds, since the searched fields of a stored item never change
// except ocrText, whose writer calls invalidate().
class SearchIndex {
public:
    void rebuild(const QList<ClipboardItemPtr>& itemsNewestFirst);
    void invalidate(const ClipboardItem* item);

    // Trims spaces and tabs (not line breaks) from both ends.
    static QString trimmedQuery(const QString& query);

    // The items that pass, in listing order. `members` (persistent
    // identities) restricts to a pinboard; `query` is matched as given,
    // without regard to letter case and with regard to accents.
    QList<ClipboardItemPtr> filter(const std::optional<QSet<qint64>>& members,
                                   std::optional<ContentCategory> category,
                                   const QString& trimmedQuery) const;

    qsizetype size() const { return m_rows.size(); }

    // Whether any of the item's searched fields contains the query; the rule
    // the index applies, for one item.
    static bool matches(const ClipboardItem& item, const QString& trimmedQuery);

private:
    struct Entry {
        std::weak_ptr<ClipboardItem> owner;
        std::optional<ContentCategory> kind;
        QString foldedFields; // the present fields, folded, separated by U+0000
    };
    struct Row {
        ClipboardItemPtr item;
        const Entry* entry;
    };
    static Entry makeEntry(const ClipboardItemPtr& item);

    std::unordered_map<const ClipboardItem*, Entry> m_entries;
    QList<Row> m_rows;
};

} // namespace quillbox
