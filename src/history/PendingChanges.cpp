#include "history/PendingChanges.h"

#include "history/HistoryDatabase.h"

#include <algorithm>

namespace quillbox {

namespace {

// New records in key order: each goes at the end of its table, so pages fill
// up one after the other instead of splitting (half-empty) under inserts in
// hash order.
template <typename Record>
QList<const Record*> inKeyOrder(const QHash<qint64, std::shared_ptr<Record>>& inserted) {
    QList<const Record*> records;
    records.reserve(inserted.size());
    for (const auto& record : inserted)
        records.append(record.get());
    std::sort(records.begin(), records.end(), [](const Record* a, const Record* b) {
        return a->persistentID() < b->persistentID();
    });
    return records;
}

} // namespace

bool PendingChanges::isEmpty() const {
    return items.isEmpty() && pinboards.isEmpty() && links.isEmpty() && rules.isEmpty();
}

bool PendingChanges::writeTo(HistoryDatabase& db) const {
    // Links go before the records they point at, and come after them.
    for (qint64 key : links.deleted)
        if (!db.deleteLink(key))
            return false;
    for (qint64 key : items.deleted)
        if (!db.deleteItem(key))
            return false;
    for (qint64 key : pinboards.deleted)
        if (!db.deletePinboard(key))
            return false;
    for (qint64 key : rules.deleted)
        if (!db.deleteRule(key))
            return false;
    for (const auto* pinboard : inKeyOrder(pinboards.inserted))
        if (!db.insertPinboard(*pinboard))
            return false;
    for (const auto* item : inKeyOrder(items.inserted))
        if (!db.insertItem(*item))
            return false;
    for (const auto* link : inKeyOrder(links.inserted))
        if (!db.insertLink(*link))
            return false;
    for (const auto* rule : inKeyOrder(rules.inserted))
        if (!db.insertRule(*rule))
            return false;
    for (const auto& item : items.updated)
        if (!db.updateItem(*item))
            return false;
    for (const auto& pinboard : pinboards.updated)
        if (!db.updatePinboard(*pinboard))
            return false;
    for (const auto& rule : rules.updated)
        if (!db.updateRule(*rule))
            return false;
    return true;
}

void PendingChanges::clear() {
    *this = {};
}

} // namespace quillbox
