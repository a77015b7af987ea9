#include "core/SearchIndex.h"

#include <QStringMatcher>

namespace quillbox {

namespace {

constexpr QChar fieldSeparator{u'\0'};

template <typename Visit> void forEachSearchedField(const ClipboardItem& item, Visit visit) {
    for (const auto& field :
         {item.plainText(), item.title(), item.urlString(), item.ocrText(), item.sourceAppName()}) {
        if (field)
            visit(*field);
    }
}

bool isSpaceOrTab(QChar c) {
    return c == u' ' || c == u'\t';
}

} // namespace

QString SearchIndex::trimmedQuery(const QString& query) {
    qsizetype begin = 0;
    qsizetype end = query.size();
    while (begin < end && isSpaceOrTab(query.at(begin)))
        ++begin;
    while (end > begin && isSpaceOrTab(query.at(end - 1)))
        --end;
    return query.mid(begin, end - begin);
}

bool SearchIndex::matches(const ClipboardItem& item, const QString& trimmedQuery) {
    bool found = false;
    forEachSearchedField(item, [&](const QString& field) {
        found = found || field.contains(trimmedQuery, Qt::CaseInsensitive);
    });
    return found;
}

SearchIndex::Entry SearchIndex::makeEntry(const ClipboardItemPtr& item) {
    Entry entry;
    entry.owner = item;
    entry.kind = contentCategoryFromRaw(item->category());
    bool first = true;
    forEachSearchedField(*item, [&](const QString& field) {
        if (!first)
            entry.foldedFields.append(fieldSeparator);
        entry.foldedFields.append(field.toCaseFolded());
        first = false;
    });
    entry.foldedFields.squeeze();
    return entry;
}

void SearchIndex::invalidate(const ClipboardItem* item) {
    m_entries.erase(item);
}

void SearchIndex::rebuild(const QList<ClipboardItemPtr>& itemsNewestFirst) {
    // Entries of deleted items linger until they outnumber the live ones.
    if (m_entries.size() > static_cast<size_t>(itemsNewestFirst.size()) * 2 + 1024) {
        std::erase_if(m_entries, [](const auto& pair) { return pair.second.owner.expired(); });
    }
    m_rows.clear();
    m_rows.reserve(itemsNewestFirst.size());
    for (const ClipboardItemPtr& item : itemsNewestFirst) {
        auto it = m_entries.find(item.get());
        // An expired owner means the address now belongs to another item.
        if (it == m_entries.end() || it->second.owner.expired() ||
            it->second.owner.lock() != item) {
            it = m_entries.insert_or_assign(item.get(), makeEntry(item)).first;
        }
        m_rows.append(Row{item, &it->second});
    }
}

QList<ClipboardItemPtr> SearchIndex::filter(const std::optional<QSet<qint64>>& members,
                                            std::optional<ContentCategory> category,
                                            const QString& trimmedQuery) const {
    QList<ClipboardItemPtr> result;
    const QString folded = trimmedQuery.toCaseFolded();
    // The separator joins fields in the index; a query holding it must not
    // match across two fields, so it takes the slow path.
    const bool scanFields = folded.contains(fieldSeparator);
    const QStringMatcher matcher(folded, Qt::CaseSensitive);
    for (const Row& row : m_rows) {
        if (category && row.entry->kind != category)
            continue;
        if (members && !members->contains(row.item->persistentID()))
            continue;
        if (!folded.isEmpty()) {
            const bool hit = scanFields ? matches(*row.item, trimmedQuery)
                                        : matcher.indexIn(row.entry->foldedFields) >= 0;
            if (!hit)
                continue;
        }
        result.append(row.item);
    }
    return result;
}

} // namespace quillbox
