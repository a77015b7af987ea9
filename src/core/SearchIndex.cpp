#include "core/SearchIndex.h"

#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace quillbox {

namespace {

// Ends every field in the buffer: no query holds it (one that does takes the
// slow path), so no match spans two fields or two items.
constexpr char fieldEnd = '\0';

// Text left behind by removed and changed items is dropped, by writing the
// live text out afresh in listing order, once it outweighs the live text and
// this much: a few changes never pay for a copy of the whole buffer.
constexpr qsizetype compactionSlackBytes = 4096;

// A long plain text is read from the store this much at a time, to fold its
// mask once and to search it.
constexpr qint64 longTextPieceBytes = 1024 * 1024;

// Queries of up to this many bytes are looked for with memmem.
constexpr qsizetype shortNeedleBytes = 3;

// The fields besides the plain text; a long plain text is searched apart.
template <typename Visit> void forEachOtherSearchedField(const ClipboardItem& item, Visit visit) {
    for (const auto& field :
         {item.title(), item.urlString(), item.ocrText(), item.sourceAppName()}) {
        if (field)
            visit(*field);
    }
}

unsigned pairBit(quint8 first, quint8 second) {
    return (unsigned(first) * 0x9E3779B1u ^ unsigned(second) * 0x85EBCA77u) >> 25;
}

// Texts of at least this many bytes are scanned into a mask through tables;
// for shorter ones turning the tables into bits would cost more than the scan.
constexpr qsizetype markedScanMinBytes = 4096;

// pairBit of every two bytes, first byte high.
const std::array<quint8, 65536>& pairBitTable() {
    static const auto table = [] {
        std::array<quint8, 65536> bits{};
        for (unsigned pair = 0; pair < bits.size(); ++pair)
            bits[pair] = quint8(pairBit(quint8(pair >> 8), quint8(pair)));
        return bits;
    }();
    return table;
}

// Whether `folded` is `utf8` with its ASCII capitals lowered and nothing
// else changed: the text can then be searched as it stands.
bool isAsciiLowered(QByteArrayView utf8, QByteArrayView folded) {
    if (utf8.size() != folded.size())
        return false;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        char c = utf8[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c + ('a' - 'A'));
        if (c != folded[i])
            return false;
    }
    return true;
}

quint8 asciiLower(quint8 c) {
    return c >= 'A' && c <= 'Z' ? quint8(c + ('a' - 'A')) : c;
}

bool isAscii(QByteArrayView utf8) {
    unsigned char any = 0;
    for (const char c : utf8)
        any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

QByteArray asciiLowered(QByteArrayView text) {
    QByteArray lowered(text.size(), Qt::Uninitialized);
    char* out = lowered.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        out[i] = c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
    }
    return lowered;
}

bool isSpaceOrTab(QChar c) {
    return c == u' ' || c == u'\t';
}

// Calls `visit` with the case-folded UTF-8 of a long plain text, piece by
// piece, until it returns false; a text that is the item's content is read
// from the store a piece at a time, never whole.
template <typename Visit> void forEachFoldedPiece(const ClipboardItem& item, Visit visit) {
    if (item.isPlainTextContent()) {
        QStringDecoder decoder(QStringDecoder::Utf8);
        for (qint64 offset = 0;;) {
            const QByteArray bytes = item.readContent(offset, longTextPieceBytes);
            if (bytes.isEmpty())
                return;
            offset += bytes.size();
            // The decoder keeps a character cut at the end for the next piece.
            if (!visit(SearchIndex::folded(QString(decoder(bytes)))))
                return;
        }
    }
    // A long text beside the content (rare: a rich text's plain form) is read whole.
    const QString text = item.plainText().value_or(QString());
    constexpr qsizetype pieceChars = longTextPieceBytes / 2;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype length = std::min(pieceChars, text.size() - start);
        // Never half of a surrogate pair.
        if (start + length < text.size() && text.at(start + length - 1).isHighSurrogate())
            ++length;
        if (!visit(SearchIndex::folded(text.mid(start, length))))
            return;
        start += length;
    }
}

} // namespace

void SearchIndex::TextMask::add(QByteArrayView utf8, int previous) {
    const auto* bytes = reinterpret_cast<const quint8*>(utf8.data());
    if (utf8.size() >= markedScanMinBytes) {
        // A long text: mark what it holds in two small tables, one store a
        // byte, and turn them into bits once at the end; three times faster
        // than setting bits byte by byte.
        const auto& pairOf = pairBitTable();
        std::array<bool, 256> hasByte{};
        std::array<bool, 128> hasPair{};
        if (previous >= 0)
            hasPair[pairOf[unsigned(previous) << 8 | bytes[0]]] = true;
        hasByte[bytes[0]] = true;
        for (qsizetype i = 1; i < utf8.size(); ++i) {
            hasByte[bytes[i]] = true;
            hasPair[pairOf[unsigned(bytes[i - 1]) << 8 | bytes[i]]] = true;
        }
        for (unsigned c = 0; c < 256; ++c) {
            if (hasByte[c])
                addByte(c);
        }
        for (unsigned pair = 0; pair < 128; ++pair) {
            if (hasPair[pair])
                pairs[pair >> 6] |= quint64(1) << (pair & 63);
        }
        return;
    }
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        addByte(bytes[i]);
        if (previous >= 0) {
            const unsigned pair = pairBit(quint8(previous), bytes[i]);
            pairs[pair >> 6] |= quint64(1) << (pair & 63);
        }
        previous = bytes[i];
    }
}

void SearchIndex::TextMask::addByte(unsigned byte) {
    if (byte < 128)
        chars[byte >> 6] |= quint64(1) << (byte & 63);
    else
        otherChars |= quint64(1) << (byte & 63);
}

void SearchIndex::TextMask::merge(const TextMask& other) {
    chars[0] |= other.chars[0];
    chars[1] |= other.chars[1];
    otherChars |= other.otherChars;
    pairs[0] |= other.pairs[0];
    pairs[1] |= other.pairs[1];
}

bool SearchIndex::TextMask::covers(const TextMask& other) const {
    return (chars[0] & other.chars[0]) == other.chars[0] &&
           (chars[1] & other.chars[1]) == other.chars[1] &&
           (otherChars & other.otherChars) == other.otherChars &&
           (pairs[0] & other.pairs[0]) == other.pairs[0] &&
           (pairs[1] & other.pairs[1]) == other.pairs[1];
}

QByteArray SearchIndex::folded(const QString& text) {
    return text.toCaseFolded().toUtf8();
}

bool SearchIndex::Query::isFoundIn(QByteArrayView text) const {
    // Short texts are found faster by the library's vectorised search; the
    // matcher's table pays off for longer ones.
    if (m_folded.size() <= shortNeedleBytes)
        return ::memmem(text.data(), size_t(text.size()), m_folded.constData(),
                        size_t(m_folded.size())) != nullptr;
    return m_matcher.indexIn(text.data(), text.size()) >= 0;
}

SearchIndex::Query::Query(std::optional<QSet<qint64>> members,
                          std::optional<ContentCategory> category, const QString& trimmedText)
    : m_members(std::move(members))
    , m_category(category)
    , m_text(trimmedText)
    , m_folded(folded(trimmedText))
    , m_matcher(m_folded)
    // A lone surrogate has no UTF-8 of its own: such a text is matched as it is.
    , m_isScanOnly(m_folded.contains(fieldEnd) ||
                   std::any_of(trimmedText.cbegin(), trimmedText.cend(),
                               [](QChar c) { return c.isSurrogate(); }))
    , m_isMaskEnough(m_folded.size() == 1) {
    m_mask.add(m_folded);
    // How far the search may move on past a byte at the end of its window:
    // to where that byte lines up with its last place in the needle.
    const qsizetype length = m_folded.size();
    const quint8 whole = quint8(std::min<qsizetype>(length, 255));
    m_lowerSkips.fill(whole);
    for (qsizetype i = std::max<qsizetype>(0, length - 255); i + 1 < length; ++i)
        m_lowerSkips[quint8(m_folded[i])] = quint8(length - 1 - i);
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
    for (const auto& field :
         {item.plainText(), item.title(), item.urlString(), item.ocrText(), item.sourceAppName()})
        found = found || (field && field->contains(trimmedQuery, Qt::CaseInsensitive));
    return found;
}

bool SearchIndex::Query::isFoundInAsciiLowered(QByteArrayView text) const {
    // Each byte of the text lowered as it is looked at, never copied; the
    // end that vectors don't cover by Horspool's search.
    const auto* needle = reinterpret_cast<const quint8*>(m_folded.constData());
    const auto* haystack = reinterpret_cast<const quint8*>(text.data());
    const qsizetype length = m_folded.size();
    if (length == 0 || length > text.size())
        return length == 0;
    const qsizetype lastStart = text.size() - length;
    const quint8 last = needle[length - 1];
    const auto matchesAt = [&](qsizetype at) {
        for (qsizetype i = 0; i < length; ++i) {
            if (asciiLower(haystack[at + i]) != needle[i])
                return false;
        }
        return true;
    };
    qsizetype at = 0;
#ifdef __SSE2__
    // Sixteen places at a time: those where the needle's first and last
    // bytes both fit are checked whole.
    const auto lowered = [](__m128i bytes) {
        const __m128i isCapital = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('A' - 1)),
                                                _mm_cmplt_epi8(bytes, _mm_set1_epi8('Z' + 1)));
        return _mm_or_si128(bytes, _mm_and_si128(isCapital, _mm_set1_epi8(0x20)));
    };
    const __m128i first = _mm_set1_epi8(char(needle[0]));
    const __m128i lastByte = _mm_set1_epi8(char(last));
    for (; at + 15 <= lastStart; at += 16) {
        const __m128i starts =
            lowered(_mm_loadu_si128(reinterpret_cast<const __m128i*>(haystack + at)));
        const __m128i ends =
            lowered(_mm_loadu_si128(reinterpret_cast<const __m128i*>(haystack + at + length - 1)));
        auto candidates = unsigned(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(starts, first), _mm_cmpeq_epi8(ends, lastByte))));
        while (candidates != 0) {
            if (matchesAt(at + std::countr_zero(candidates)))
                return true;
            candidates &= candidates - 1;
        }
    }
#endif
    while (at <= lastStart) {
        const quint8 c = asciiLower(haystack[at + length - 1]);
        if (c == last && matchesAt(at))
            return true;
        at += m_lowerSkips[c];
    }
    return false;
}

bool SearchIndex::longTextContains(const ClipboardItem& item, const Query& query) {
    const QByteArray& needle = query.m_folded;
    // The end of one piece goes before the next: a match may span the two.
    QByteArray window;
    bool found = false;
    forEachFoldedPiece(item, [&](const QByteArray& piece) {
        window += piece;
        found = query.isFoundIn(window);
        window = window.right(needle.size() - 1);
        return !found;
    });
    return found;
}

QByteArrayView SearchIndex::text(const Slot& slot) const {
    return QByteArrayView(m_text).sliced(slot.textStart, slot.textLength);
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

SearchIndex::Entry SearchIndex::allocate(const ClipboardItemPtr& item, bool withText) {
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
    slot.kind = kindOf(contentCategoryFromRaw(item->category()));
    takeKey(slot);
    if (withText)
        setText(entry, *item);
    return entry;
}

void SearchIndex::setText(Entry entry, const ClipboardItem& item) {
    Slot& slot = m_slots[entry];
    TextMask mask;
    const qsizetype start = m_text.size();
    const auto append = [&](const QByteArray& field) {
        mask.add(field);
        m_text.append(field);
        m_text.append(fieldEnd);
    };
    const bool hasLongText = item.hasPlainText() && item.isPlainTextShortened();
    bool isPlainTextInItem = false;
    // The plain text's folded form, kept here only where the item's own
    // text can't stand for it.
    const auto addPlainText = [&] {
        const QByteArrayView own = item.plainTextPreviewUtf8();
        if (isAscii(own)) {
            // Folding changes nothing in ASCII but its capitals.
            mask.add(asciiLowered(own));
            isPlainTextInItem = true;
            return;
        }
        const QByteArray foldedText = folded(QString::fromUtf8(own));
        isPlainTextInItem = isAsciiLowered(own, foldedText);
        if (!isPlainTextInItem) {
            append(foldedText);
            return;
        }
        mask.add(foldedText);
    };
    if (hasLongText) {
        // Only the start the item keeps is searched here too; the mask covers
        // all of the text, folded once, piece by piece.
        addPlainText();
        auto known = m_longTextMasks.find(entry);
        if (!slot.hasLongText || known == m_longTextMasks.end()) {
            TextMask whole;
            int previous = -1;
            forEachFoldedPiece(item, [&](const QByteArray& piece) {
                whole.add(piece, previous);
                if (!piece.isEmpty())
                    previous = quint8(piece.back());
                return true;
            });
            known = m_longTextMasks.insert_or_assign(entry, whole).first;
        }
        mask.merge(known->second);
    } else {
        m_longTextMasks.erase(entry);
        if (item.hasPlainText())
            addPlainText(); // the whole text: the item keeps all of it
    }
    forEachOtherSearchedField(item, [&](const QString& field) { append(folded(field)); });
    const qsizetype length = m_text.size() - start;
    if (slot.item && slot.hasText && slot.textLength == length && slot.hasLongText == hasLongText &&
        slot.isPlainTextInItem == isPlainTextInItem && m_masks[entry] == mask &&
        text(slot) == QByteArrayView(m_text).sliced(start, length)) {
        m_text.truncate(start); // a pin, say: nothing searched changed
        return;
    }
    m_deadBytes += slot.textLength;
    slot.textStart = start;
    slot.textLength = length;
    slot.hasLongText = hasLongText;
    slot.isPlainTextInItem = isPlainTextInItem;
    slot.hasText = true;
    m_masks[entry] = mask;
}

void SearchIndex::rebuild(const QList<ClipboardItemPtr>& itemsNewestFirst) {
    m_slots.clear();
    m_masks.clear();
    m_freeSlots.clear();
    m_order.clear();
    m_longTextMasks.clear();
    m_pendingText.clear();
    m_text.clear();
    m_deadBytes = 0;
    m_slots.reserve(size_t(itemsNewestFirst.size()));
    m_masks.reserve(size_t(itemsNewestFirst.size()));
    m_order.reserve(size_t(itemsNewestFirst.size()));
    for (const ClipboardItemPtr& item : itemsNewestFirst)
        m_order.push_back(allocate(item, false));
    // Taken from the back: the newest items are folded first.
    m_pendingText.assign(m_order.rbegin(), m_order.rend());
}

bool SearchIndex::foldPendingText(qsizetype maxItems) {
    for (; maxItems > 0 && !m_pendingText.empty(); --maxItems) {
        const Entry entry = m_pendingText.back();
        m_pendingText.pop_back();
        // A slot removed meanwhile is free (or taken by an item folded on
        // its arrival); one changed meanwhile was folded then.
        if (const Slot& slot = m_slots[entry]; slot.item && !slot.hasText)
            setText(entry, *slot.item);
    }
    if (!m_pendingText.empty())
        return false;
    m_pendingText = {};
    m_text.squeeze(); // grown by doubling: up to half of it would stay unused
    return true;
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
        m_deadBytes += m_slots[entry].textLength;
        m_slots[entry] = Slot{};
        m_masks[entry] = TextMask{};
        m_longTextMasks.erase(entry);
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
    slot.kind = kindOf(contentCategoryFromRaw(slot.item->category()));
    takeKey(slot);
    setText(entry, *slot.item);
    compactIfWasteful();
}

void SearchIndex::compactIfWasteful() {
    const qsizetype liveBytes = m_text.size() - m_deadBytes;
    if (m_deadBytes <= compactionSlackBytes || m_deadBytes <= liveBytes)
        return;
    QByteArray compacted;
    compacted.reserve(liveBytes);
    for (const Entry entry : m_order) {
        Slot& slot = m_slots[entry];
        const qsizetype start = compacted.size();
        compacted.append(text(slot));
        slot.textStart = start;
    }
    m_text = std::move(compacted);
    m_deadBytes = 0;
}

bool SearchIndex::passesFilters(Entry entry, const Query& query) const {
    const Slot& slot = m_slots[entry];
    return (!query.m_category || slot.kind == kindOf(query.m_category)) &&
           (!query.m_members || query.m_members->contains(slot.persistentID));
}

bool SearchIndex::passesText(Entry entry, const Query& query) {
    if (query.m_folded.isEmpty())
        return true;
    if (!m_slots[entry].hasText)
        setText(entry, *m_slots[entry].item);
    const Slot& slot = m_slots[entry];
    if (query.m_isScanOnly)
        return matches(*slot.item, query.m_text);
    if (!m_masks[entry].covers(query.m_mask))
        return false;
    if (query.m_isMaskEnough)
        return true;
    if (query.isFoundIn(text(slot)))
        return true;
    if (slot.isPlainTextInItem && query.isFoundInAsciiLowered(slot.item->plainTextPreviewUtf8()))
        return true;
    // The start held here did not match; the rest of a long text might.
    return slot.hasLongText && longTextContains(*slot.item, query);
}

bool SearchIndex::passes(Entry entry, const Query& query) {
    return passesFilters(entry, query) && passesText(entry, query);
}

std::vector<SearchIndex::Entry> SearchIndex::filter(const Query& query) {
    if (query.filtersNothing())
        return m_order;
    // Folded in order rather than found pending one by one, so the buffer
    // stays in listing order.
    if (!query.m_folded.isEmpty())
        foldPendingText(std::numeric_limits<qsizetype>::max());
    std::vector<Entry> result;
    for (const Entry entry : m_order) {
        if (passes(entry, query))
            result.push_back(entry);
    }
    return result;
}

} // namespace quillbox
