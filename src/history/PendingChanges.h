#pragma once

#include "history/AppRule.h"
#include "history/ClipboardItem.h"
#include "history/Pinboard.h"
#include "history/PinboardItem.h"

#include <QHash>
#include <QSet>
#include <memory>

namespace quillbox {

class HistoryDatabase;

// The changes made to the history in memory and not yet in the database:
// what the next save writes in one transaction. A failed save leaves them
// here, so the save after it writes them all.
class PendingChanges {
public:
    template <typename Record> struct Of {
        QHash<qint64, std::shared_ptr<Record>> inserted;
        QHash<qint64, std::shared_ptr<Record>> updated;
        QSet<qint64> deleted;

        bool isEmpty() const {
            return inserted.isEmpty() && updated.isEmpty() && deleted.isEmpty();
        }
        // A record not yet inserted is written whole by its insert.
        void update(const std::shared_ptr<Record>& record) {
            if (!inserted.contains(record->persistentID()))
                updated.insert(record->persistentID(), record);
        }
        // A record whose insert is still pending never reaches the database.
        void remove(qint64 key) {
            updated.remove(key);
            if (!inserted.remove(key))
                deleted.insert(key);
        }
    };

    Of<ClipboardItem> items;
    Of<Pinboard> pinboards;
    Of<PinboardItem> links;
    Of<AppRule> rules;

    bool isEmpty() const;
    // Writes everything inside the caller's transaction; false at the first failure.
    bool writeTo(HistoryDatabase& database) const;
    void clear();
};

} // namespace quillbox
