#include "core/SearchIndex.h"

#include <algorithm>

namespace quillbox {

namespace {

// Ends every field in the buffer: no query holds it (one that does takes the
// slow path), so no match spans two fields or two items.
constexpr QChar fieldEnd{u'\0'};

// Text left behind by removed and changed items is dropped, by writing the
// live text out afresh in listing order, once it outweighs the live text and
// this much: a few changes never pay for a copy of the whole buffer.
constexpr qsizetype compactionSlackChars = 4096;

template <typename Visit> void forEachSearchedField(const ClipboardItem& item, Visit visit) {
    for (const auto& field :
         {item.plainText(), item.title(), item.urlString(), item.ocrText(), item.sourceAppName()}) {
        if (field)
            visit(*field);
    }
}

void setBit(quint64 (&bits)[2], unsigned bit) {
    bits[bit >> 6] |= quint64(1) << (bit & 63);
}

unsigned otherCharBit(QChar c) {
    return (unsigned(c.unicode()) * 0x9E3779B1u) >> 26;
}

unsigned pairBit(QChar first, QChar second) {
    return (unsigned(first.unicode()) * 0x9E3779B1u ^ unsigned(second.unicode()) * 0x85EBCA77u) >>
           25;
}

bool isSpaceOrTab(QChar c) {
    return c == u' ' || c == u'\t';
}

} // namespace

void SearchIndex::TextMask::add(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() < 128)
            setBit(chars, text[i].unicode());
        else
            otherChars |= quint64(1) << otherCharBit(text[i]);
        if (i > 0)
            setBit(pairs, pairBit(text[i - 1], text[i]));
    }
}

bool SearchIndex::TextMask::covers(const TextMask& other) const {
    return (chars[0] & other.chars[0]) == other.chars[0] &&
           (chars[1] & other.chars[1]) == other.chars[1] &&
           (otherChars & other.otherChars) == other.otherChars &&
           (pairs[0] & other.pairs[0]) == other.pairs[0] &&
           (pairs[1] & other.pairs[1]) == other.pairs[1];
}

SearchIndex::Query::Query(std::optional<QSet<qint64>> members,
                          std::optional<ContentCategory> category, const QString& trimmedText)
    : m_members(std::move(members))
    , m_category(category)
    , m_text(trimmedText)
    , m_folded(trimmedText.toCaseFolded())
    , m_matcher(m_folded, Qt::CaseSensitive)
    , m_isScanOnly(m_folded.contains(fieldEnd))
    , m_isMaskEnough(m_folded.size() == 1 && m_folded.front().unicode() < 128)
    , m_isOneChar(m_folded.size() == 1) {
    m_mask.add(m_folded);
}

void SearchIndex::Query::forgetMember(qint64 persistentID) {
    if (m_members)
        m_members->remove(persistentID);
}

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

QStringView SearchIndex::text(const Slot& slot) const {
    return QStringView(m_text).mid(slot.textStart, slot.textLength);
}

bool SearchIndex::precedes(Entry a, Entry b) const {
    const Slot& x = m_slots[a];
    const Slot& y = m_slots[b];
    if (x.copiedAtMs != y.copiedAtMs)
        return x.copiedAtMs > y.copiedAtMs;
    return x.persistentID > y.persistentID;
}

void SearchIndex::takeKey(Slot& slot) const {
    slot.copiedAtMs = slot.item->copiedAt().toMSecsSinceEpoch();
    slot.persistentID = slot.item->persistentID();
}

SearchIndex::Entry SearchIndex::allocate(const ClipboardItemPtr& item) {
    Entry entry;
    if (!m_freeSlots.empty()) {
        entry = m_freeSlots.back();
        m_freeSlots.pop_back();
    } else {
        entry = Entry(m_slots.size());
        m_slots.emplace_back();
        m_masks.emplace_back();
    }
    Slot& slot = m_slots[entry];
    slot.item = item;
    slot.id = item->id();
    slot.kind = contentCategoryFromRaw(item->category());
    takeKey(slot);
    setText(entry, *item);
    return entry;
}

void SearchIndex::setText(Entry entry, const ClipboardItem& item) {
    Slot& slot = m_slots[entry];
    TextMask mask;
    const qsizetype start = m_text.size();
    forEachSearchedField(item, [&](const QString& field) {
        const QString folded = field.toCaseFolded();
        mask.add(folded);
        m_text.append(folded);
        m_text.append(fieldEnd);
    });
    const qsizetype length = m_text.size() - start;
    if (slot.item && text(slot) == QStringView(m_text).mid(start, length)) {
        m_text.truncate(start); // a pin, say: nothing searched changed
        return;
    }
    m_deadChars += slot.textLength;
    slot.textStart = start;
    slot.textLength = length;
    m_masks[entry] = mask;
}

void SearchIndex::rebuild(const QList<ClipboardItemPtr>& itemsNewestFirst) {
    m_slots.clear();
    m_masks.clear();
    m_freeSlots.clear();
    m_order.clear();
    m_text.clear();
    m_deadChars = 0;
    m_slots.reserve(size_t(itemsNewestFirst.size()));
    m_masks.reserve(size_t(itemsNewestFirst.size()));
    m_order.reserve(size_t(itemsNewestFirst.size()));
    for (const ClipboardItemPtr& item : itemsNewestFirst)
        m_order.push_back(allocate(item));
}

SearchIndex::Entry SearchIndex::insert(const ClipboardItemPtr& item, qsizetype row) {
    const Entry entry = allocate(item);
    m_order.insert(m_order.begin() + row, entry);
    return entry;
}

void SearchIndex::move(qsizetype from, qsizetype to) {
    // Copying again changes no searched field: the text stays where it is.
    takeKey(m_slots[m_order[size_t(from)]]);
    if (from < to)
        std::rotate(m_order.begin() + from, m_order.begin() + from + 1, m_order.begin() + to + 1);
    else if (to < from)
        std::rotate(m_order.begin() + to, m_order.begin() + from, m_order.begin() + from + 1);
}

void SearchIndex::remove(const QList<qsizetype>& rows) {
    if (rows.isEmpty())
        return;
    for (const qsizetype row : rows) {
        const Entry entry = m_order[size_t(row)];
        m_deadChars += m_slots[entry].textLength;
        m_slots[entry] = Slot{};
        m_masks[entry] = TextMask{};
        m_freeSlots.push_back(entry);
    }
    // One pass for a whole batch (a prune may take thousands).
    auto out = m_order.begin() + rows.first();
    qsizetype next = 0;
    for (auto in = out; in != m_order.end(); ++in) {
        if (next < rows.size() && in - m_order.begin() == rows[next]) {
            ++next;
            continue;
        }
        *out++ = *in;
    }
    m_order.erase(out, m_order.end());
    compactIfWasteful();
}

void SearchIndex::update(qsizetype row) {
    const Entry entry = m_order[size_t(row)];
    Slot& slot = m_slots[entry];
    slot.kind = contentCategoryFromRaw(slot.item->category());
    takeKey(slot);
    setText(entry, *slot.item);
    compactIfWasteful();
}

void SearchIndex::compactIfWasteful() {
    const qsizetype liveChars = m_text.size() - m_deadChars;
    if (m_deadChars <= compactionSlackChars || m_deadChars <= liveChars)
        return;
    QString compacted;
    compacted.reserve(liveChars);
    for (const Entry entry : m_order) {
        Slot& slot = m_slots[entry];
        const qsizetype start = compacted.size();
        compacted.append(text(slot));
        slot.textStart = start;
    }
    m_text = std::move(compacted);
    m_deadChars = 0;
}

bool SearchIndex::passesFilters(Entry entry, const Query& query) const {
    const Slot& slot = m_slots[entry];
    return (!query.m_category || slot.kind == query.m_category) &&
           (!query.m_members || query.m_members->contains(slot.persistentID));
}

bool SearchIndex::passesText(Entry entry, const Query& query) const {
    if (query.m_folded.isEmpty())
        return true;
    if (query.m_isScanOnly)
        return matches(*m_slots[entry].item, query.m_text);
    if (!m_masks[entry].covers(query.m_mask))
        return false;
    if (query.m_isMaskEnough)
        return true;
    const QStringView folded = text(m_slots[entry]);
    // The matcher's table pays off for longer queries; one character is
    // found faster by the plain vectorised search.
    return query.m_isOneChar ? folded.contains(query.m_folded.front())
                             : query.m_matcher.indexIn(folded) >= 0;
}

bool SearchIndex::passes(Entry entry, const Query& query) const {
    return passesFilters(entry, query) && passesText(entry, query);
}

std::vector<SearchIndex::Entry> SearchIndex::filter(const Query& query) const {
    if (query.filtersNothing())
        return m_order;
    std::vector<Entry> result;
    for (const Entry entry : m_order) {
        if (passes(entry, query))
            result.push_back(entry);
    }
    return result;
}

} // namespace quillbox
