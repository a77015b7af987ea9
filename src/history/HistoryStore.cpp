#include "history/HistoryStore.h"

#include "content/Logging.h"
#include "history/HistoryDatabase.h"
#include "history/HistoryLoader.h"
#include "history/PendingChanges.h"

#include <QHash>
#include <algorithm>
#include <cstdlib>

namespace quillbox {

namespace {

constexpr qint64 secondsPerDay = 24 * 60 * 60;
// A copy time this close to the clock counts as a copy made now, which always
// goes to the top of the history.
constexpr qint64 clockSlackMs = 2000;

// Newest first; of two items copied in the same millisecond, the later one.
bool isNewer(const ClipboardItem& a, qint64 aCopiedAt, const ClipboardItem& b, qint64 bCopiedAt) {
    if (aCopiedAt != bCopiedAt)
        return aCopiedAt > bCopiedAt;
    return a.persistentID() > b.persistentID();
}

} // namespace

// The in-memory picture of the history, and the changes not yet written
// (the "unit of work" that save() commits in one transaction).
struct HistoryStore::State {
    QList<ClipboardItemPtr> items;             // newest first
    std::vector<ClipboardItemPtr> itemsByHash; // ordered by ClipboardItem::hashLess
    QList<PinboardPtr> pinboards;              // by sortOrder, then creation
    QList<PinboardItemPtr> links;
    QList<AppRulePtr> rules;
    qint64 nextItemKey = 1;
    qint64 nextPinboardKey = 1;
    qint64 nextLinkKey = 1;
    qint64 nextRuleKey = 1;

    PendingChanges changes;
};

HistoryStore::HistoryStore(StoreContainerPtr container, QObject* parent)
    : QObject(parent)
    , m_container(std::move(container))
    , m_database(std::make_unique<HistoryDatabase>(m_container))
    , m_state(std::make_unique<State>()) {
    // The items are read in the background: their first use waits for the
    // rest of the read, or the event loop's next turn takes them. Pinboards
    // and rules are few and read at once, for the panel and the recording rules.
    HistoryDatabase::Contents contents = m_database->load(HistoryDatabase::Part::collections);
    m_loader = HistoryLoader::start(*m_container, contents.pinboards, [this](auto& read) {
        read.itemsByHash = byHash(read.items); // on the loading thread too
        QMetaObject::invokeMethod(this, &HistoryStore::finishReading, Qt::QueuedConnection);
    });
    State& state = *m_state;
    state.pinboards = std::move(contents.pinboards);
    state.rules = std::move(contents.rules);
    state.nextPinboardKey = contents.nextPinboardKey;
    state.nextRuleKey = contents.nextRuleKey;
    if (!m_loader) {
        auto items = m_database->load(HistoryDatabase::Part::items, state.pinboards);
        takeItems(items);
    }
}

void HistoryStore::takeItems(HistoryDatabase::Contents& contents) const {
    if (contents.itemsByHash.size() != size_t(contents.items.size()))
        contents.itemsByHash = byHash(contents.items);
    State& state = *m_state;
    state.items = std::move(contents.items);
    for (const auto& item : std::as_const(state.items))
        item->m_database = m_database.get();
    state.itemsByHash = std::move(contents.itemsByHash);
    state.links = std::move(contents.links);
    state.nextItemKey = contents.nextItemKey;
    state.nextLinkKey = contents.nextLinkKey;
}

void HistoryStore::finishReading() {
    state();
    Q_EMIT itemsReadIn();
}

HistoryStore::State& HistoryStore::state() const {
    if (m_loader) {
        auto contents = m_loader->take();
        m_loader.reset();
        takeItems(contents);
    }
    return *m_state;
}

bool HistoryStore::hashOrder(const ClipboardItemPtr& a, const ClipboardItemPtr& b) {
    return ClipboardItem::hashLess(*a, *b);
}

std::vector<ClipboardItemPtr> HistoryStore::byHash(const QList<ClipboardItemPtr>& items) {
    std::vector<ClipboardItemPtr> sorted(items.cbegin(), items.cend());
    std::sort(sorted.begin(), sorted.end(), hashOrder);
    return sorted;
}

HistoryStore::~HistoryStore() {
    // A read still going on is of no more use (and nothing was changed before it ended).
    m_loader.reset();
    // A last chance for changes an earlier save could not write.
    save();
    // Items outlive the store only as detached values: no more payload reads.
    for (const auto& item : std::as_const(m_state->items))
        item->m_database = nullptr;
}

bool HistoryStore::owns(const ClipboardItemPtr& item) const {
    return item && item->m_rowID != 0 && item->m_database == m_database.get();
}

qsizetype HistoryStore::insertSorted(const ClipboardItemPtr& item) {
    auto& items = state().items;
    const auto position =
        std::lower_bound(items.begin(), items.end(), item, [](const auto& a, const auto& b) {
            return isNewer(*a, a->m_copiedAtMs, *b, b->m_copiedAtMs);
        });
    const qsizetype row = position - items.begin();
    items.insert(row, item);
    return row;
}

qsizetype HistoryStore::rowOf(const ClipboardItemPtr& item) const {
    const auto& items = state().items;
    auto position =
        std::lower_bound(items.cbegin(), items.cend(), item, [](const auto& a, const auto& b) {
            return isNewer(*a, a->m_copiedAtMs, *b, b->m_copiedAtMs);
        });
    if (position == items.cend() || *position != item)
        position = std::find(items.cbegin(), items.cend(), item);
    return position != items.cend() ? position - items.cbegin() : -1;
}

qsizetype HistoryStore::removeFromOrder(const ClipboardItemPtr& item) {
    const qsizetype row = rowOf(item);
    if (row >= 0)
        state().items.remove(row);
    return row;
}

ClipboardItemPtr HistoryStore::record(const ParsedClipboardContent& content,
                                      const std::optional<QString>& sourceAppBundleID,
                                      const std::optional<QString>& sourceAppName) {
    if (ClipboardItemPtr existing = itemWithHash(content.contentHash)) {
        // Re-copied content moves to the top; nothing else about it changes.
        const auto [from, to] = setCopiedAtWithoutSaving(existing, QDateTime::currentDateTimeUtc());
        save();
        Q_EMIT itemMoved(existing, from, to);
        Q_EMIT itemsChanged();
        return existing;
    }
    auto item = ClipboardItem::fromCapture(content, sourceAppBundleID, sourceAppName);
    item->m_copiedAtMs = copyTimeKeepingOrder(item, item->m_copiedAtMs);
    return insertNew(item);
}

ClipboardItemPtr HistoryStore::recordCopiedAt(const ParsedClipboardContent& content,
                                              const std::optional<QString>& sourceAppBundleID,
                                              const std::optional<QString>& sourceAppName,
                                              const QDateTime& copiedAt, bool isPinned) {
    if (itemWithHash(content.contentHash))
        return nullptr;
    auto item = ClipboardItem::fromCapture(content, sourceAppBundleID, sourceAppName);
    item->m_copiedAtMs = copyTimeKeepingOrder(item, copiedAt.toMSecsSinceEpoch());
    item->m_isPinned = isPinned;
    return insertNew(item);
}

ClipboardItemPtr HistoryStore::insertNew(const ClipboardItemPtr& item) {
    item->m_rowID = state().nextItemKey++;
    item->m_database = m_database.get();
    const qsizetype row = insertSorted(item);
    auto& byHash = state().itemsByHash;
    byHash.insert(std::upper_bound(byHash.begin(), byHash.end(), item, hashOrder), item);
    state().changes.items.inserted.insert(item->m_rowID, item);
    // Listeners read the new item's content (the search index folds all of
    // it): from memory while they are told, not back from the store, where a
    // large text is read in pieces that each walk the row from its start.
    m_keptPayloadItem = item.get();
    save();
    m_keptPayloadItem = nullptr;
    Q_EMIT itemInserted(item, row);
    Q_EMIT itemsChanged();
    if (!state().changes.items.inserted.contains(item->m_rowID))
        item->m_payload.reset();
    return item;
}

ClipboardItemPtr HistoryStore::itemWithHash(const QString& contentHash) const {
    // A throw-away item holds the hash, so it is parsed one way only.
    const auto probe = std::make_shared<ClipboardItem>(ClipboardItem::StoredTag());
    probe->setContentHash(contentHash);
    const auto& byHash = state().itemsByHash;
    const auto found = std::lower_bound(byHash.cbegin(), byHash.cend(), probe, hashOrder);
    if (found != byHash.cend() && (*found)->hasSameHash(*probe))
        return *found;
    return nullptr;
}

bool HistoryStore::isAppExcluded(const std::optional<QString>& bundleIdentifier) const {
    // Content whose source is unknown is always recorded.
    if (!bundleIdentifier)
        return false;
    const auto& rules = m_state->rules;
    return std::any_of(rules.cbegin(), rules.cend(), [&](const AppRulePtr& rule) {
        return rule->m_isExcluded && rule->m_bundleIdentifier == *bundleIdentifier;
    });
}

int HistoryStore::pruneHistory(int retentionDays, const QDateTime& now) {
    if (retentionDays < 1)
        return 0;
    // Whole days of 86,400 seconds: no calendar, no daylight-saving shifts.
    const qint64 cutoff = now.toMSecsSinceEpoch() - qint64(retentionDays) * secondsPerDay * 1000;
    const QSet<const ClipboardItem*> inPinboards = itemsInPinboards();
    QList<ClipboardItemPtr> expired;
    QList<qsizetype> rows;
    // The list is newest first, so the expired items are its tail.
    const auto& history = state().items;
    for (qsizetype row = history.size() - 1; row >= 0; --row) {
        const ClipboardItemPtr& item = history[row];
        if (item->m_copiedAtMs >= cutoff)
            break;
        if (!isKeptFromPruning(*item, inPinboards)) {
            expired.append(item);
            rows.append(row);
        }
    }
    std::reverse(expired.begin(), expired.end());
    std::reverse(rows.begin(), rows.end());
    forget(expired);
    if (!expired.isEmpty()) {
        save();
        Q_EMIT itemsRemoved(expired, rows);
        Q_EMIT itemsChanged();
    }
    return int(expired.size());
}

std::optional<QDateTime> HistoryStore::oldestPrunableCopyTime() const {
    const QSet<const ClipboardItem*> inPinboards = itemsInPinboards();
    const auto& history = state().items;
    for (auto it = history.crbegin(); it != history.crend(); ++it) {
        if (!isKeptFromPruning(**it, inPinboards))
            return QDateTime::fromMSecsSinceEpoch((*it)->m_copiedAtMs, Qt::UTC);
    }
    return std::nullopt;
}

bool HistoryStore::isKeptFromPruning(const ClipboardItem& item,
                                     const QSet<const ClipboardItem*>& linked) {
    return item.m_isPinned || linked.contains(&item);
}

QSet<const ClipboardItem*> HistoryStore::itemsInPinboards() const {
    QSet<const ClipboardItem*> linked;
    for (const auto& link : std::as_const(state().links)) {
        if (link->m_clipboardItem)
            linked.insert(link->m_clipboardItem.get());
    }
    return linked;
}

void HistoryStore::togglePin(const ClipboardItemPtr& item) {
    if (!owns(item))
        return;
    item->m_isPinned = !item->m_isPinned;
    state().changes.items.update(item);
    save();
    Q_EMIT itemChanged(item, rowOf(item));
    Q_EMIT itemsChanged();
}

bool HistoryStore::contains(const ClipboardItemPtr& item, const PinboardPtr& pinboard) const {
    if (!item || !pinboard || item->m_rowID == 0)
        return false;
    return std::any_of(state().links.cbegin(), state().links.cend(), [&](const auto& link) {
        return link->m_pinboard == pinboard && link->m_clipboardItem &&
               link->m_clipboardItem->m_rowID == item->m_rowID;
    });
}

void HistoryStore::add(const ClipboardItemPtr& item, const PinboardPtr& pinboard) {
    if (!owns(item) || !pinboard || pinboard->m_rowID == 0 || contains(item, pinboard))
        return;
    const auto members =
        std::count_if(state().links.cbegin(), state().links.cend(),
                      [&](const auto& link) { return link->m_pinboard == pinboard; });
    auto link = std::make_shared<PinboardItem>(qint64(members));
    link->m_rowID = state().nextLinkKey++;
    link->m_clipboardItem = item;
    link->m_pinboard = pinboard;
    state().links.append(link);
    state().changes.links.inserted.insert(link->m_rowID, link);
    save();
    Q_EMIT pinboardsChanged();
}

void HistoryStore::remove(const ClipboardItemPtr& item, const PinboardPtr& pinboard) {
    const bool removed =
        item && pinboard && item->m_rowID != 0 && removeLinks([&](const PinboardItemPtr& link) {
            return link->m_pinboard == pinboard && link->m_clipboardItem &&
                   link->m_clipboardItem->m_rowID == item->m_rowID;
        });
    save();
    if (removed)
        Q_EMIT pinboardsChanged();
}

void HistoryStore::deleteItem(const ClipboardItemPtr& item) {
    if (!owns(item))
        return;
    const bool hadLinks =
        removeLinks([&](const PinboardItemPtr& link) { return link->m_clipboardItem == item; });
    const qsizetype row = forget(item);
    save();
    if (row >= 0)
        Q_EMIT itemsRemoved({item}, {row});
    Q_EMIT itemsChanged();
    if (hadLinks)
        Q_EMIT pinboardsChanged();
}

void HistoryStore::setOcrText(const ClipboardItemPtr& item, const QString& text) {
    if (!owns(item))
        return;
    item->setOcrText(text.isNull() ? QStringLiteral("") : text);
    state().changes.items.update(item);
    save();
    Q_EMIT itemChanged(item, rowOf(item));
    Q_EMIT itemsChanged();
}

void HistoryStore::setCopiedAt(const ClipboardItemPtr& item, const QDateTime& copiedAt) {
    if (!owns(item))
        return;
    const auto [from, to] = setCopiedAtWithoutSaving(item, copiedAt);
    save();
    Q_EMIT itemMoved(item, from, to);
    Q_EMIT itemsChanged();
}

qint64 HistoryStore::copyTimeKeepingOrder(const ClipboardItemPtr& item, qint64 copiedAtMs) const {
    // A copy made now must reach the top even when the newest item carries the
    // same millisecond (or a later one, after the clock was set back).
    const auto& items = state().items;
    if (items.isEmpty() || items.first() == item)
        return copiedAtMs;
    const qint64 newestMs = items.first()->m_copiedAtMs;
    const bool isCopyMadeNow =
        std::abs(copiedAtMs - QDateTime::currentMSecsSinceEpoch()) < clockSlackMs;
    return isCopyMadeNow && copiedAtMs <= newestMs ? newestMs + 1 : copiedAtMs;
}

std::pair<qsizetype, qsizetype> HistoryStore::setCopiedAtWithoutSaving(const ClipboardItemPtr& item,
                                                                       const QDateTime& copiedAt) {
    const qint64 copiedAtMs = copyTimeKeepingOrder(item, copiedAt.toMSecsSinceEpoch());
    const qsizetype from = removeFromOrder(item);
    item->m_copiedAtMs = copiedAtMs;
    const qsizetype to = insertSorted(item);
    state().changes.items.update(item);
    return {from, to};
}

qsizetype HistoryStore::forget(const ClipboardItemPtr& item) {
    const qsizetype row = removeFromOrder(item);
    auto& byHash = state().itemsByHash;
    auto [first, last] = std::equal_range(byHash.begin(), byHash.end(), item, hashOrder);
    const auto position = std::find(first, last, item);
    if (position != last)
        byHash.erase(position);
    detach(item);
    return row;
}

void HistoryStore::forget(const QList<ClipboardItemPtr>& items) {
    // One pass over the lists for many items, however long the history.
    const QSet<const ClipboardItem*> gone = [&] {
        QSet<const ClipboardItem*> set;
        for (const auto& item : items)
            set.insert(item.get());
        return set;
    }();
    const auto isGone = [&](const ClipboardItemPtr& item) { return gone.contains(item.get()); };
    state().items.removeIf(isGone);
    std::erase_if(state().itemsByHash, isGone);
    for (const auto& item : items)
        detach(item);
}

void HistoryStore::detach(const ClipboardItemPtr& item) {
    // The item keeps its fields; its payload is no longer reachable.
    state().changes.items.remove(item->m_rowID);
    item->m_payload.reset();
    item->m_database = nullptr;
    item->m_rowID = 0;
}

void HistoryStore::forgetLink(const PinboardItemPtr& link) {
    state().changes.links.remove(link->m_rowID);
    link->m_rowID = 0;
}

bool HistoryStore::removeLinks(const std::function<bool(const PinboardItemPtr&)>& matches) {
    const qsizetype removed = state().links.removeIf([&](const PinboardItemPtr& link) {
        if (!matches(link))
            return false;
        forgetLink(link);
        return true;
    });
    return removed > 0;
}

bool HistoryStore::hasUnsavedChanges() const {
    // Nothing changes before the history is read in.
    return !m_state->changes.isEmpty();
}

HistoryStore::Batch::Batch(HistoryStore& store)
    : m_store(store) {
    ++m_store.m_openBatches;
}

HistoryStore::Batch::~Batch() {
    if (--m_store.m_openBatches == 0)
        m_store.save();
}

void HistoryStore::save() {
    if (m_openBatches > 0 || !hasUnsavedChanges())
        return;
    HistoryDatabase& db = *m_database;
    if (!db.begin() || !state().changes.writeTo(db) || !db.commit()) {
        // Nothing of this attempt stays in the database; the changes stay
        // pending here and go out with the next save that succeeds.
        const QString error = db.lastError();
        db.rollback();
        qCWarning(lcStore).noquote()
            << QStringLiteral("Quillbox: failed to save history: ") + error;
        return;
    }
    // Saved payloads are read back from the database on access from now on.
    for (const auto& item : std::as_const(state().changes.items.inserted)) {
        if (item.get() != m_keptPayloadItem)
            item->m_payload.reset();
    }
    state().changes.clear();
}

QList<ClipboardItemPtr> HistoryStore::allItems() const {
    return state().items;
}

qsizetype HistoryStore::itemCount() const {
    return m_loader ? m_loader->itemCount() : m_state->items.size();
}

ClipboardItemPtr HistoryStore::itemWithID(const QUuid& id) const {
    const auto found = std::find_if(state().items.cbegin(), state().items.cend(),
                                    [&](const ClipboardItemPtr& item) { return item->m_id == id; });
    return found != state().items.cend() ? *found : nullptr;
}

QList<PinboardPtr> HistoryStore::pinboards() const {
    return m_state->pinboards; // never waits for the items
}

PinboardPtr HistoryStore::pinboardWithID(const QUuid& id) const {
    for (const auto& pinboard : std::as_const(m_state->pinboards))
        if (pinboard->m_id == id)
            return pinboard;
    return nullptr;
}

QList<PinboardItemPtr> HistoryStore::pinboardItems(const PinboardPtr& pinboard) const {
    QList<PinboardItemPtr> links;
    for (const auto& link : std::as_const(state().links))
        if (pinboard && link->m_pinboard == pinboard)
            links.append(link);
    std::stable_sort(links.begin(), links.end(),
                     [](const auto& a, const auto& b) { return a->m_sortOrder < b->m_sortOrder; });
    return links;
}

QList<PinboardItemPtr> HistoryStore::pinboardItems(const ClipboardItemPtr& item) const {
    QList<PinboardItemPtr> links;
    for (const auto& link : std::as_const(state().links))
        if (item && link->m_clipboardItem == item)
            links.append(link);
    return links;
}

QList<ClipboardItemPtr> HistoryStore::items(const PinboardPtr& pinboard) const {
    QList<ClipboardItemPtr> members;
    for (const auto& link : pinboardItems(pinboard))
        if (link->m_clipboardItem)
            members.append(link->m_clipboardItem);
    return members;
}

QSet<qint64> HistoryStore::memberIdentities(const PinboardPtr& pinboard) const {
    QSet<qint64> identities;
    for (const auto& link : std::as_const(state().links))
        if (pinboard && link->m_pinboard == pinboard && link->m_clipboardItem)
            identities.insert(link->m_clipboardItem->m_rowID);
    return identities;
}

QList<AppRulePtr> HistoryStore::appRules() const {
    return m_state->rules;
}

PinboardPtr HistoryStore::createPinboard(const QString& name, const QString& colorHex,
                                         qint64 sortOrder) {
    auto pinboard = std::make_shared<Pinboard>(name, colorHex, sortOrder);
    pinboard->m_rowID = state().nextPinboardKey++;
    auto& pinboards = state().pinboards;
    const auto position = std::upper_bound(
        pinboards.begin(), pinboards.end(), sortOrder,
        [](qint64 order, const PinboardPtr& other) { return order < other->m_sortOrder; });
    pinboards.insert(position, pinboard);
    state().changes.pinboards.inserted.insert(pinboard->m_rowID, pinboard);
    save();
    Q_EMIT pinboardsChanged();
    return pinboard;
}

void HistoryStore::deletePinboard(const PinboardPtr& pinboard) {
    if (!pinboard || pinboard->m_rowID == 0 || !state().pinboards.contains(pinboard))
        return;
    // Its items stay in the history; only the links go.
    removeLinks([&](const PinboardItemPtr& link) { return link->m_pinboard == pinboard; });
    state().pinboards.removeOne(pinboard);
    state().changes.pinboards.remove(pinboard->m_rowID);
    pinboard->m_rowID = 0;
    save();
    Q_EMIT pinboardsChanged();
}

void HistoryStore::renamePinboard(const PinboardPtr& pinboard, const QString& name) {
    if (!pinboard || !state().pinboards.contains(pinboard))
        return;
    pinboard->m_name = name;
    state().changes.pinboards.update(pinboard);
    save();
    Q_EMIT pinboardsChanged();
}

void HistoryStore::setPinboardColor(const PinboardPtr& pinboard, const QString& colorHex) {
    if (!pinboard || !state().pinboards.contains(pinboard))
        return;
    pinboard->m_colorHex = colorHex;
    state().changes.pinboards.update(pinboard);
    save();
    Q_EMIT pinboardsChanged();
}

AppRulePtr HistoryStore::addAppRule(const QString& bundleIdentifier, const QString& appName) {
    auto rule = std::make_shared<AppRule>(bundleIdentifier, appName, true);
    rule->m_rowID = state().nextRuleKey++;
    auto& rules = state().rules;
    const auto position = std::upper_bound(
        rules.begin(), rules.end(), appName,
        [](const QString& name, const AppRulePtr& other) { return name < other->m_appName; });
    rules.insert(position, rule);
    state().changes.rules.inserted.insert(rule->m_rowID, rule);
    save();
    Q_EMIT appRulesChanged();
    return rule;
}

void HistoryStore::setRuleExcluded(const AppRulePtr& rule, bool isExcluded) {
    if (!rule || !state().rules.contains(rule))
        return;
    rule->m_isExcluded = isExcluded;
    state().changes.rules.update(rule);
    save();
    Q_EMIT appRulesChanged();
}

void HistoryStore::deleteAppRule(const AppRulePtr& rule) {
    if (!rule || !state().rules.contains(rule))
        return;
    state().rules.removeOne(rule);
    state().changes.rules.remove(rule->m_rowID);
    rule->m_rowID = 0;
    save();
    Q_EMIT appRulesChanged();
}

} // namespace quillbox
