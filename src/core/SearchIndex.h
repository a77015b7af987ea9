#pragma once

#include "content/ContentCategory.h"
#include "history/ClipboardItem.h"

#include <QByteArray>
#include <QByteArrayMatcher>
#include <QByteArrayView>
#include <QList>
#include <QSet>
#include <QString>
#include <QUuid>
#include <array>
#include <optional>
#include <unordered_map>
#include <vector>

namespace quillbox {

// The history in its listing order with what filtering needs laid out for a
// fast scan: each item's kind, the case-folded text of its five searched
// fields (plainText, title, urlString, ocrText, sourceAppName) as UTF-8 in one
// buffer, and a small mask of the bytes and byte pairs in that text, which
// rules most items out without reading their text. A plain text whose
// folding changes nothing but ASCII letters (most texts) is not copied into
// the buffer: it is searched where the item keeps it, its ASCII capitals
// lowered on the way, which finds exactly what its folded copy would. A long plain text is kept
// only as its start (the part the item itself keeps); the mask covers all of
// it, and the rest is read from the store, in pieces, only for a search the
// start and the mask can't answer. It follows the history change by change
// (insert, move, remove, update), so a copy costs one item's folding, not the
// whole history's. Items are known by entry numbers, which searches return
// instead of item pointers.
class SearchIndex {
public:
    // An item's place in the index: stable while the item is in it, reused
    // once it has left.
    using Entry = quint32;

    // Which bytes (ASCII ones exactly, others hashed) and which pairs of
    // neighbouring bytes (hashed) a UTF-8 text holds: a text that lacks one of
    // the query's cannot contain it. `previous` carries the last byte of one
    // piece of a text to the next (-1 at its start).
    struct TextMask {
        quint64 chars[2] = {0, 0};
        quint64 otherChars = 0;
        quint64 pairs[2] = {0, 0};
        void add(QByteArrayView utf8, int previous = -1);
        void merge(const TextMask& other);
        bool covers(const TextMask& other) const;
        bool operator==(const TextMask&) const = default;

    private:
        void addByte(unsigned byte);
    };

    // A filter prepared once for many entries: `members` (persistent
    // identities) restricts to a pinboard; the text is matched without regard
    // to letter case and with regard to accents.
    class Query {
    public:
        Query() = default;
        Query(std::optional<QSet<qint64>> members, std::optional<ContentCategory> category,
              const QString& trimmedText);

        bool filtersNothing() const { return !m_members && !m_category && m_text.isEmpty(); }
        // Whether the two let the same items pass.
        bool isSameAs(const Query& other) const {
            return m_text == other.m_text && m_category == other.m_category &&
                   m_members == other.m_members;
        }
        const std::optional<QSet<qint64>>& members() const { return m_members; }
        // A member that left the history no longer needs to be looked for.
        void forgetMember(qint64 persistentID);

    private:
        friend class SearchIndex;
        bool isFoundIn(QByteArrayView folded) const;
        // The same in UTF-8 whose ASCII capitals are taken as small letters.
        bool isFoundInAsciiLowered(QByteArrayView text) const;
        std::optional<QSet<qint64>> m_members;
        std::optional<ContentCategory> m_category;
        QString m_text;      // trimmed
        QByteArray m_folded; // what the buffer is searched for (case-folded UTF-8)
        QByteArrayMatcher m_matcher;
        TextMask m_mask;
        std::array<quint8, 256> m_lowerSkips{}; // by byte, for isFoundInAsciiLowered

        bool m_isScanOnly = false;   // a text the buffer can't answer for
        bool m_isMaskEnough = false; // one ASCII character: the mask tells exactly
    };

    // Starts over from the whole history, newest first. Only the order and
    // the kinds are taken now: the texts are folded later, a slice at a time
    // (foldPendingText), or all at once by the first search for a text.
    void rebuild(const QList<ClipboardItemPtr>& itemsNewestFirst);
    // Folds the texts of up to `maxItems` items rebuild() left; whether
    // every text is folded now.
    bool foldPendingText(qsizetype maxItems);
    bool isTextComplete() const { return m_pendingText.empty(); }

    // The history's changes, by the rows (positions in listing order) the
    // store gives. insert: `item` now stands at `row`. move: the item at
    // `from` now stands at `to`, with its new copy time. remove: the items at
    // `rows` (ascending, as they stood before) are gone. update: the item at
    // `row` changed in place (its recognised text, its pin).
    Entry insert(const ClipboardItemPtr& item, qsizetype row);
    void move(qsizetype from, qsizetype to);
    void remove(const QList<qsizetype>& rows);
    void update(qsizetype row);

    qsizetype size() const { return qsizetype(m_order.size()); }
    Entry entryAt(qsizetype row) const { return m_order[size_t(row)]; }
    const ClipboardItemPtr& item(Entry entry) const { return m_slots[entry].item; }
    const QUuid& id(Entry entry) const { return m_slots[entry].id; }
    qint64 persistentID(Entry entry) const { return m_slots[entry].persistentID; }
    // Whether `a` is listed before `b`: newer, or of two copied in the same
    // millisecond the later recorded (the store's own order).
    bool precedes(Entry a, Entry b) const;

    // The entries that pass, in listing order. A query for a text first
    // folds every text still pending.
    std::vector<Entry> filter(const Query& query);
    bool passes(Entry entry, const Query& query);

    // Trims spaces and tabs (not line breaks) from both ends.
    static QString trimmedQuery(const QString& query);
    // Whether any of the item's searched fields contains the query: the rule
    // the index applies, for one item.
    static bool matches(const ClipboardItem& item, const QString& trimmedQuery);
    // Case-folded UTF-8, the form the index keeps and searches for.
    static QByteArray folded(const QString& text);

private:
    static constexpr qint8 noKind = -1;
    static qint8 kindOf(std::optional<ContentCategory> category) {
        return category ? qint8(*category) : noKind;
    }

    struct Slot {
        ClipboardItemPtr item; // none while the slot is free
        QUuid id;
        qint64 copiedAtMs = 0;
        qint64 persistentID = 0;
        qsizetype textStart = 0; // its folded fields in m_text
        qsizetype textLength = 0;
        qint8 kind = noKind;      // its ContentCategory: one byte, where an optional takes eight
        bool hasLongText = false; // m_text has only the start of its plain text
        // The plain text is searched in the item's own UTF-8 (see above), and
        // m_text holds only the other fields.
        bool isPlainTextInItem = false;
        bool hasText = false; // folded, or pending since rebuild()
    };

    Entry allocate(const ClipboardItemPtr& item, bool withText = true);
    void takeKey(Slot& slot) const;
    void setText(Entry entry, const ClipboardItem& item);
    QByteArrayView text(const Slot& slot) const;
    bool passesFilters(Entry entry, const Query& query) const;
    bool passesText(Entry entry, const Query& query);
    // Searches a long plain text whole, read from the store in pieces.
    static bool longTextContains(const ClipboardItem& item, const Query& query);
    void compactIfWasteful();

    std::vector<Slot> m_slots;
    std::vector<TextMask> m_masks; // by entry, beside m_slots for a dense scan
    std::vector<Entry> m_freeSlots;
    std::vector<Entry> m_order; // entries in listing order
    // The mask of each long plain text: the text never changes, so a change
    // to the item's other fields is folded without reading it again.
    std::unordered_map<Entry, TextMask> m_longTextMasks;
    // Entries whose text rebuild() left to fold, the last ones first.
    std::vector<Entry> m_pendingText;
    QByteArray m_text;         // folded fields; every field ends with a zero byte
    qsizetype m_deadBytes = 0; // text of removed or changed items
};

} // namespace quillbox
