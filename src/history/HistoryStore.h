#pragma once

#include "content/ParsedClipboardContent.h"
#include "history/AppRule.h"
#include "history/ClipboardItem.h"
#include "history/HistoryDatabase.h"
#include "history/Pinboard.h"
#include "history/PinboardItem.h"
#include "history/StoreContainer.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSet>
#include <QUuid>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace quillbox {

class HistoryLoader;

// The one facade that changes the persistent history: records (deduplicated
// by content hash), pins, links to pinboards, deletes and prunes items, and
// manages pinboards and exclusion rules. It keeps the listing fields of every
// record in memory and writes each change to the database before returning;
// a write that fails is logged and retried with the next save. A stored
// history is read in on a thread of its own while the program starts; the
// first call that needs it waits for the rest of that read. Main thread only.
class HistoryStore : public QObject {
    Q_OBJECT
public:
    explicit HistoryStore(StoreContainerPtr container, QObject* parent = nullptr);
    ~HistoryStore() override;

    StoreContainerPtr container() const { return m_container; }

    // Changes.
    ClipboardItemPtr record(const ParsedClipboardContent& content,
                            const std::optional<QString>& sourceAppBundleID,
                            const std::optional<QString>& sourceAppName);
    // Content from elsewhere (an import), with its own copy time and pin:
    // put in its place at once, one insertion for the views. Null when the
    // history already holds the content.
    ClipboardItemPtr recordCopiedAt(const ParsedClipboardContent& content,
                                    const std::optional<QString>& sourceAppBundleID,
                                    const std::optional<QString>& sourceAppName,
                                    const QDateTime& copiedAt, bool isPinned);
    ClipboardItemPtr itemWithHash(const QString& contentHash) const;
    bool isAppExcluded(const std::optional<QString>& bundleIdentifier) const;
    int pruneHistory(int retentionDays, const QDateTime& now);
    // When the oldest item a prune may remove (neither pinned nor in a
    // pinboard) was copied; none when there is no such item.
    std::optional<QDateTime> oldestPrunableCopyTime() const;
    void togglePin(const ClipboardItemPtr& item);
    void add(const ClipboardItemPtr& item, const PinboardPtr& pinboard);
    void remove(const ClipboardItemPtr& item, const PinboardPtr& pinboard);
    bool contains(const ClipboardItemPtr& item, const PinboardPtr& pinboard) const;
    void deleteItem(const ClipboardItemPtr& item);
    void setOcrText(const ClipboardItemPtr& item, const QString& text);
    void setCopiedAt(const ClipboardItemPtr& item, const QDateTime& copiedAt);
    // Writes every change not yet in the database; logs and keeps them on failure.
    void save();
    bool hasUnsavedChanges() const;

    // Bulk work (an import): while a batch is open, save() keeps the changes
    // pending, and closing the outermost batch writes them in one
    // transaction, instead of one disk flush per change.
    class Batch {
    public:
        explicit Batch(HistoryStore& store);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        HistoryStore& m_store;
    };

    // Reads.
    QList<ClipboardItemPtr> allItems() const; // newest first by copiedAt
    // Known at once, also while the history is still being read in.
    qsizetype itemCount() const;
    // Whether the stored items are in (reads of them wait until they are).
    bool isReadIn() const { return !m_loader; }
    ClipboardItemPtr itemWithID(const QUuid& id) const;
    QList<PinboardPtr> pinboards() const; // by sortOrder, ascending
    PinboardPtr pinboardWithID(const QUuid& id) const;
    QList<PinboardItemPtr> pinboardItems(const PinboardPtr& pinboard) const; // by sortOrder
    QList<PinboardItemPtr> pinboardItems(const ClipboardItemPtr& item) const;
    // The members of a pinboard, in the pinboard's own order.
    QList<ClipboardItemPtr> items(const PinboardPtr& pinboard) const;
    // Persistent identities of a pinboard's members, for filtering the history.
    QSet<qint64> memberIdentities(const PinboardPtr& pinboard) const;
    QList<AppRulePtr> appRules() const; // by appName, ascending

    // Pinboards and rules.
    PinboardPtr createPinboard(const QString& name, const QString& colorHex, qint64 sortOrder);
    void deletePinboard(const PinboardPtr& pinboard); // its links go first
    void renamePinboard(const PinboardPtr& pinboard, const QString& name);
    void setPinboardColor(const PinboardPtr& pinboard, const QString& colorHex);
    AppRulePtr addAppRule(const QString& bundleIdentifier, const QString& appName);
    void setRuleExcluded(const AppRulePtr& rule, bool isExcluded);
    void deleteAppRule(const AppRulePtr& rule);

Q_SIGNALS:
    // Each change of allItems() is told twice: first by one of the four
    // signals below, which say what changed and where (rows are positions in
    // allItems()), then by itemsChanged(). Both are sent after the change.
    //
    // A new item now stands at `row` (a new copy, an import).
    void itemInserted(const ClipboardItemPtr& item, qsizetype row);
    // The item's copiedAt changed: it left `fromRow` and now stands at
    // `toRow`, which may be the same (a copy again goes to the top).
    void itemMoved(const ClipboardItemPtr& item, qsizetype fromRow, qsizetype toRow);
    // Items gone in one change (a delete, a prune), listed newest first with
    // the rows they had before it, ascending.
    void itemsRemoved(const QList<ClipboardItemPtr>& items, const QList<qsizetype>& rows);
    // A field changed in place (isPinned, ocrText); the item kept its row.
    void itemChanged(const ClipboardItemPtr& item, qsizetype row);
    void itemsChanged();
    // The stored history has been read in, after the program started (sent
    // once, when the event loop turns after the read, whether or not a call
    // that needed the items took them in before).
    void itemsReadIn();
    void pinboardsChanged(); // pinboards or their memberships
    void appRulesChanged();

private:
    struct State;
    // The history with its items, once read in (waiting for the read while
    // it goes on). Pinboards and rules are there from the start.
    State& state() const;
    void finishReading();
    // Takes in the items and links read (by the loader, or here).
    void takeItems(HistoryDatabase::Contents& contents) const;
    static bool hashOrder(const ClipboardItemPtr& a, const ClipboardItemPtr& b);
    static std::vector<ClipboardItemPtr> byHash(const QList<ClipboardItemPtr>& items);
    bool owns(const ClipboardItemPtr& item) const;
    // Rows in allItems(): where the item went, where it was (-1 if nowhere).
    ClipboardItemPtr insertNew(const ClipboardItemPtr& item);
    qsizetype insertSorted(const ClipboardItemPtr& item);
    qsizetype removeFromOrder(const ClipboardItemPtr& item);
    qsizetype rowOf(const ClipboardItemPtr& item) const;
    static bool isKeptFromPruning(const ClipboardItem& item,
                                  const QSet<const ClipboardItem*>& linked);
    QSet<const ClipboardItem*> itemsInPinboards() const;
    qint64 copyTimeKeepingOrder(const ClipboardItemPtr& item, qint64 copiedAtMs) const;
    // The item's rows before and after.
    std::pair<qsizetype, qsizetype> setCopiedAtWithoutSaving(const ClipboardItemPtr& item,
                                                             const QDateTime& copiedAt);
    qsizetype forget(const ClipboardItemPtr& item);
    void forget(const QList<ClipboardItemPtr>& items);
    void detach(const ClipboardItemPtr& item);
    void forgetLink(const PinboardItemPtr& link);
    bool removeLinks(const std::function<bool(const PinboardItemPtr&)>& matches);

    StoreContainerPtr m_container;
    std::unique_ptr<HistoryDatabase> m_database;
    std::unique_ptr<State> m_state;
    // The read of the stored history while it goes on.
    mutable std::unique_ptr<HistoryLoader> m_loader;
    int m_openBatches = 0;
    // A just-saved item whose payload stays in memory until it has been announced.
    const ClipboardItem* m_keptPayloadItem = nullptr;
};

} // namespace quillbox
