#pragma once

#include "content/ContentCategory.h"
#include "history/ClipboardItem.h"

#include <QList>
#include <QSet>
#include <QString>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace quillbox {

// The history in its listing order with what filtering needs laid out for a
// fast scan: each item's kind, and the case-folded text of its five searched
// fields (plainText, title, urlString, ocrText, sourceAppName) in one buffer,
// item after item. A search scans the buffer once. Rebuilding after a change
// copies the folded text of items it already had, since the searched fields
// of a stored item never change except ocrText, whose writer calls
// invalidate().
class SearchIndex {
public:
    void rebuild(const QList<ClipboardItemPtr>& itemsNewestFirst);
    void invalidate(const ClipboardItem* item);

    // Trims spaces and tabs (not line breaks) from both ends.
    static QString trimmedQuery(const QString& query);

    // The items that pass, in listing order. `members` (persistent
    // identities) restricts to a pinboard; `query` is matched without regard
    // to letter case and with regard to accents.
    QList<ClipboardItemPtr> filter(const std::optional<QSet<qint64>>& members,
                                   std::optional<ContentCategory> category,
                                   const QString& trimmedQuery) const;

    qsizetype size() const { return m_items.size(); }

    // Whether any of the item's searched fields contains the query: the rule
    // the index applies, for one item.
    static bool matches(const ClipboardItem& item, const QString& trimmedQuery);

private:
    static void appendFoldedFields(const ClipboardItem& item, QString& text);
    QStringView rowText(qsizetype row) const;

    QList<ClipboardItemPtr> m_items;
    std::vector<std::optional<ContentCategory>> m_kinds;
    QString m_text;                  // rows' folded fields; every field ends with U+0000
    std::vector<qsizetype> m_starts; // where each row starts in m_text, plus the end
    std::unordered_set<const ClipboardItem*> m_stale;
};

} // namespace quillbox
