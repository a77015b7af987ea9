#include "core/SearchIndex.h"

#include <QStringMatcher>
#include <algorithm>

namespace quillbox {

namespace {

// Ends every field in the buffer: no query holds it (one that does takes the
// slow path), so no match spans two fields or two items.
constexpr QChar fieldEnd{u'\0'};

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

void SearchIndex::appendFoldedFields(const ClipboardItem& item, QString& text) {
    forEachSearchedField(item, [&](const QString& field) {
        text.append(field.toCaseFolded());
        text.append(fieldEnd);
    });
}

QStringView SearchIndex::rowText(qsizetype row) const {
    const auto start = m_starts[static_cast<size_t>(row)];
    return QStringView(m_text).mid(start, m_starts[static_cast<size_t>(row) + 1] - start);
}

void SearchIndex::invalidate(const ClipboardItem* item) {
    m_stale.insert(item);
}

void SearchIndex::rebuild(const QList<ClipboardItemPtr>& itemsNewestFirst) {
    const auto count = static_cast<size_t>(itemsNewestFirst.size());
    QString text;
    text.reserve(m_text.size() + 1024);
    std::vector<std::optional<ContentCategory>> kinds;
    kinds.reserve(count);
    std::vector<qsizetype> starts;
    starts.reserve(count + 1);

    // A change rarely reorders much: a new item in front, one moved to the
    // front, a few deleted. So the old rows are walked alongside the new
    // list, looking a few rows ahead to step over deleted or moved ones; an
    // item not found there is folded afresh. Only a run of such misses,
    // which means the two lists have drifted apart, builds a lookup table of
    // the old rows. m_items still holds the old items, so an address found
    // there is the same item, never a new one allocated where a deleted one
    // was.
    constexpr qsizetype lookAhead = 4;
    constexpr int missesBeforeLookup = 16;
    const qsizetype oldCount = m_items.size();
    std::unordered_map<const ClipboardItem*, qsizetype> oldRowOf;
    int misses = 0;
    qsizetype next = 0; // the old row expected next
    for (const ClipboardItemPtr& item : itemsNewestFirst) {
        starts.push_back(text.size());
        qsizetype old = -1;
        for (qsizetype row = next; row < std::min(next + lookAhead, oldCount); ++row) {
            if (m_items[row] == item) {
                old = row;
                break;
            }
        }
        if (old < 0 && misses >= missesBeforeLookup) {
            if (oldRowOf.empty()) {
                oldRowOf.reserve(static_cast<size_t>(oldCount));
                for (qsizetype row = 0; row < oldCount; ++row)
                    oldRowOf.emplace(m_items[row].get(), row);
            }
            if (const auto it = oldRowOf.find(item.get()); it != oldRowOf.end())
                old = it->second;
        }
        if (old >= 0) {
            next = old + 1;
            misses = 0;
        } else {
            ++misses;
        }
        if (old >= 0 && (m_stale.empty() || !m_stale.contains(item.get()))) {
            text.append(rowText(old));
            kinds.push_back(m_kinds[static_cast<size_t>(old)]);
        } else {
            appendFoldedFields(*item, text);
            kinds.push_back(contentCategoryFromRaw(item->category()));
        }
    }
    starts.push_back(text.size());
    m_items = itemsNewestFirst;
    m_text = std::move(text);
    m_kinds = std::move(kinds);
    m_starts = std::move(starts);
    m_stale.clear();
}

QList<ClipboardItemPtr> SearchIndex::filter(const std::optional<QSet<qint64>>& members,
                                            std::optional<ContentCategory> category,
                                            const QString& trimmedQuery) const {
    if (!members && !category && trimmedQuery.isEmpty())
        return m_items; // shared, not copied
    const QString folded = trimmedQuery.toCaseFolded();
    const auto passes = [&](qsizetype row) {
        return (!category || m_kinds[static_cast<size_t>(row)] == category) &&
               (!members || members->contains(m_items[row]->persistentID()));
    };
    QList<ClipboardItemPtr> result;
    if (folded.isEmpty() || folded.contains(fieldEnd)) {
        for (qsizetype row = 0; row < m_items.size(); ++row) {
            if (passes(row) && (folded.isEmpty() || matches(*m_items[row], trimmedQuery)))
                result.append(m_items[row]);
        }
        return result;
    }
    const QStringMatcher matcher(folded, Qt::CaseSensitive);
    if (members || category) {
        // The filters leave few rows: search only those.
        for (qsizetype row = 0; row < m_items.size(); ++row) {
            if (passes(row) && matcher.indexIn(rowText(row)) >= 0)
                result.append(m_items[row]);
        }
        return result;
    }
    // One pass over the whole buffer; after a hit, the search goes on at the
    // next row. Rows are found by walking forward, as hits only move forward.
    const QStringView text(m_text);
    result.reserve(m_items.size());
    qsizetype row = 0;
    qsizetype from = 0;
    while (true) {
        const qsizetype hit =
            folded.size() == 1 ? text.indexOf(folded.front(), from) : matcher.indexIn(text, from);
        if (hit < 0)
            break;
        while (m_starts[static_cast<size_t>(row) + 1] <= hit)
            ++row;
        result.append(m_items[row]);
        from = m_starts[static_cast<size_t>(++row)];
    }
    return result;
}

} // namespace quillbox
