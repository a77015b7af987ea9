#include "core/PanelListModel.h"

#include "content/Logging.h"
#include "content/UntrustedText.h"
#include "core/AppState.h"
#include "history/HistoryStore.h"

#include <QTimer>
#include <algorithm>

namespace quillbox {

PanelListModel::PanelListModel(HistoryStore& store, AppState& appState, QObject* parent)
    : QAbstractListModel(parent)
    , m_store(store)
    , m_appState(appState) {
    connect(&m_store, &HistoryStore::itemInserted, this, &PanelListModel::itemInserted);
    connect(&m_store, &HistoryStore::itemMoved, this, &PanelListModel::itemMoved);
    connect(&m_store, &HistoryStore::itemsRemoved, this, &PanelListModel::itemsRemoved);
    connect(&m_store, &HistoryStore::itemChanged, this, &PanelListModel::itemChanged);
    connect(&m_store, &HistoryStore::pinboardsChanged, this, &PanelListModel::pinboardsChanged);
    // Every change comes with one of the signals above first; should one ever
    // come without, the index would no longer match the history.
    connect(&m_store, &HistoryStore::itemsChanged, this, [this] {
        if (m_isIndexBuilt && m_index.size() != m_store.itemCount())
            resync();
    });
    // A list answered empty while the store was still reading the history
    // is made anew, from empty to full, once the history is in, or at once
    // when the panel opens meanwhile (which then waits for the rest of the read).
    connect(&m_store, &HistoryStore::itemsReadIn, this, &PanelListModel::historyArrived);
    connect(&m_appState, &AppState::isPanelVisibleChanged, this, [this](bool visible) {
        if (visible)
            historyArrived();
    });
    connect(&m_appState, &AppState::selectedCategoryChanged, this, &PanelListModel::filterChanged);
    connect(&m_appState, &AppState::selectedPinboardIDChanged, this,
            &PanelListModel::filterChanged);
    connect(&m_appState, &AppState::searchQueryChanged, this, &PanelListModel::filterChanged);
}

PanelListModel::~PanelListModel() = default;

int PanelListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    ensureList();
    return int(m_visible.size());
}

QVariant PanelListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const ClipboardItemPtr item = itemAt(index.row());
    if (!item)
        return {};
    switch (role) {
    case ItemRole:
        return QVariant::fromValue(item);
    case IdRole:
        return item->id();
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole: {
        // What screen readers speak for the card: copied text, so one line
        // without bidi controls.
        const QString text = item->plainTextPreview().value_or(item->title().value_or(QString()));
        return UntrustedText::line(QStringView(text).left(200));
    }
    default:
        return {};
    }
}

ClipboardItemPtr PanelListModel::itemAt(int row) const {
    ensureList();
    if (row < 0 || size_t(row) >= m_visible.size())
        return nullptr;
    return m_index.item(m_visible[size_t(row)]);
}

int PanelListModel::rowOf(const QUuid& id) const {
    ensureList();
    for (size_t row = 0; row < m_visible.size(); ++row) {
        if (m_index.id(m_visible[row]) == id)
            return int(row);
    }
    return -1;
}

int PanelListModel::selectedRow() const {
    if (rowCount() == 0)
        return -1;
    if (const auto id = m_appState.selectedCardID()) {
        if (const int row = rowOf(*id); row >= 0)
            return row;
    }
    return 0;
}

QList<ClipboardItemPtr> PanelListModel::items() const {
    // Made from the rows, not taken from the store when nothing is filtered:
    // between the row signals of one change, the store is already a step ahead.
    ensureList(WhileReading::wait);
    QList<ClipboardItemPtr> items;
    items.reserve(qsizetype(m_visible.size()));
    for (const SearchIndex::Entry entry : m_visible)
        items.append(m_index.item(entry));
    return items;
}

PinboardPtr PanelListModel::selectedPinboard() const {
    if (const auto id = m_appState.selectedPinboardID())
        return m_store.pinboardWithID(*id);
    return nullptr;
}

SearchIndex::Query PanelListModel::currentQuery() const {
    std::optional<QSet<qint64>> members;
    if (const PinboardPtr pinboard = selectedPinboard())
        members = m_store.memberIdentities(pinboard);
    return SearchIndex::Query(std::move(members), m_appState.selectedCategory(),
                              SearchIndex::trimmedQuery(m_appState.searchQuery()));
}

void PanelListModel::ensureList(WhileReading whileReading) const {
    if (!m_isIndexBuilt) {
        if (whileReading == WhileReading::answerEmpty && !m_store.isReadIn() &&
            !m_appState.isPanelVisible()) {
            // Views set up at start-up ask before anything is shown: they do
            // not wait for a large history.
            m_isAwaitingHistory = true;
            return;
        }
        m_index.rebuild(m_store.allItems());
        m_isIndexBuilt = true;
        m_isListStale = true;
        foldTextInBackground();
    }
    if (m_isListStale) {
        m_query = currentQuery();
        m_visible = m_index.filter(m_query);
        m_isListStale = false;
    }
}

void PanelListModel::foldTextInBackground() const {
    // A few milliseconds of folding per turn.
    constexpr qsizetype itemsPerSlice = 2000;
    if (m_isFoldingScheduled || m_index.isTextComplete())
        return;
    m_isFoldingScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_isFoldingScheduled = false;
        if (m_isIndexBuilt && !m_index.foldPendingText(itemsPerSlice))
            foldTextInBackground();
    });
}

void PanelListModel::resetList(bool rebuildIndex) {
    beginResetModel();
    if (rebuildIndex)
        m_isIndexBuilt = false;
    m_isListStale = true;
    endResetModel();
}

void PanelListModel::historyArrived() {
    if (!m_isAwaitingHistory)
        return;
    m_isAwaitingHistory = false;
    resetList(true);
}

void PanelListModel::filterChanged() {
    // The panel state announces every write, also of the value it had: a
    // filter that lets the same items pass keeps the list, and the view its
    // scroll position.
    if (isListLive() && currentQuery().isSameAs(m_query))
        return;
    resetList(false);
}

void PanelListModel::resync() {
    qCWarning(lcCore).noquote() << QStringLiteral(
        "Quillbox: the panel's list lost step with the history; listing it afresh");
    resetList(true);
}

// The visible list keeps the history's order, so an entry is found, and a
// new one placed, by binary search.
qsizetype PanelListModel::insertionRow(SearchIndex::Entry entry) const {
    const auto position =
        std::lower_bound(m_visible.cbegin(), m_visible.cend(), entry,
                         [this](auto a, auto b) { return m_index.precedes(a, b); });
    return position - m_visible.cbegin();
}

qsizetype PanelListModel::visibleRowOf(SearchIndex::Entry entry) const {
    const qsizetype row = insertionRow(entry);
    return row < qsizetype(m_visible.size()) && m_visible[size_t(row)] == entry ? row : -1;
}

qsizetype PanelListModel::movedRow(qsizetype from) const {
    // The others are still in order: search those before it, then those after.
    const SearchIndex::Entry entry = m_visible[size_t(from)];
    const auto precedes = [this](auto a, auto b) { return m_index.precedes(a, b); };
    const auto begin = m_visible.cbegin();
    const auto before = std::lower_bound(begin, begin + from, entry, precedes);
    if (before != begin + from)
        return before - begin;
    return std::lower_bound(begin + from + 1, m_visible.cend(), entry, precedes) - begin - 1;
}

void PanelListModel::insertVisible(qsizetype row, SearchIndex::Entry entry) {
    beginInsertRows({}, int(row), int(row));
    m_visible.insert(m_visible.begin() + row, entry);
    endInsertRows();
}

void PanelListModel::removeVisible(qsizetype first, qsizetype count) {
    beginRemoveRows({}, int(first), int(first + count - 1));
    m_visible.erase(m_visible.begin() + first, m_visible.begin() + first + count);
    endRemoveRows();
}

void PanelListModel::changeVisible(qsizetype row) {
    const QModelIndex changed = index(int(row));
    Q_EMIT dataChanged(changed, changed);
}

bool PanelListModel::isInStep(const ClipboardItemPtr& item, qsizetype row) const {
    return row >= 0 && row < m_index.size() && m_index.item(m_index.entryAt(row)) == item;
}

// The store's changes, applied to the index and, while it is live, to the
// visible list. A list not made yet (or made stale by a filter change, which
// views already heard of as a reset) is made from the index when next read.

void PanelListModel::itemInserted(const ClipboardItemPtr& item, qsizetype row) {
    if (!m_isIndexBuilt)
        return;
    if (row < 0 || row > m_index.size())
        return resync();
    const SearchIndex::Entry entry = m_index.insert(item, row);
    if (isListLive() && m_index.passes(entry, m_query))
        insertVisible(insertionRow(entry), entry);
}

void PanelListModel::itemMoved(const ClipboardItemPtr& item, qsizetype fromRow, qsizetype toRow) {
    if (!m_isIndexBuilt)
        return;
    if (!isInStep(item, fromRow) || toRow < 0 || toRow >= m_index.size())
        return resync();
    const SearchIndex::Entry entry = m_index.entryAt(fromRow);
    // Found by its old copy time, before the index takes the new one.
    const qsizetype from = isListLive() ? visibleRowOf(entry) : -1;
    m_index.move(fromRow, toRow);
    if (from < 0)
        return; // a copy time decides no filter: a hidden item stays hidden
    const qsizetype to = movedRow(from);
    // In place, its card still shows a new copy time.
    if (from == to)
        return changeVisible(to);
    // Qt names the row before which the moved one lands, counted before the move.
    beginMoveRows({}, int(from), int(from), {}, int(to > from ? to + 1 : to));
    const auto at = m_visible.begin();
    if (to < from)
        std::rotate(at + to, at + from, at + from + 1);
    else
        std::rotate(at + from, at + from + 1, at + to + 1);
    endMoveRows();
}

void PanelListModel::itemsRemoved(const QList<ClipboardItemPtr>& items,
                                  const QList<qsizetype>& rows) {
    if (!m_isIndexBuilt)
        return;
    if (items.size() != rows.size())
        return resync();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (!isInStep(items[i], rows[i]) || (i > 0 && rows[i] <= rows[i - 1]))
            return resync();
    }
    std::vector<qsizetype> gone; // visible rows, ascending like the history's
    for (const qsizetype row : rows) {
        const SearchIndex::Entry entry = m_index.entryAt(row);
        // A removed member needs no more looking for, so the pinboard's
        // membership can be compared when it changes next.
        m_query.forgetMember(m_index.persistentID(entry));
        const qsizetype visible = isListLive() ? visibleRowOf(entry) : -1;
        if (visible >= 0)
            gone.push_back(visible);
    }
    // The rows leave the views while the index still holds their items, so a
    // view can read them until they are gone. Runs of neighbours go together,
    // the last run first, so the rows of each are counted in the list as it
    // stands after the ones before.
    auto end = gone.size();
    while (end > 0) {
        auto first = end - 1;
        while (first > 0 && gone[first - 1] + 1 == gone[first])
            --first;
        removeVisible(gone[first], qsizetype(end - first));
        end = first;
    }
    m_index.remove(rows);
}

void PanelListModel::itemChanged(const ClipboardItemPtr& item, qsizetype row) {
    if (!m_isIndexBuilt)
        return;
    if (!isInStep(item, row))
        return resync();
    const SearchIndex::Entry entry = m_index.entryAt(row);
    m_index.update(row);
    if (!isListLive())
        return;
    const qsizetype visible = visibleRowOf(entry);
    // Recognised text can make an image match the search, or (written
    // anew) stop matching.
    const bool passes = m_index.passes(entry, m_query);
    if (visible >= 0 && passes)
        changeVisible(visible);
    else if (visible >= 0)
        removeVisible(visible, 1);
    else if (passes)
        insertVisible(insertionRow(entry), entry);
}

void PanelListModel::pinboardsChanged() {
    if (!isListLive())
        return;
    // Only the selected tab's membership matters; it makes a new list.
    std::optional<QSet<qint64>> members;
    if (const PinboardPtr pinboard = selectedPinboard())
        members = m_store.memberIdentities(pinboard);
    if (members != m_query.members())
        resetList(false);
}

} // namespace quillbox
