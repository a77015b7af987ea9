#include "core/PanelContentModel.h"

#include "content/Logging.h"
#include "core/AppState.h"
#include "core/PasteService.h"
#include "history/HistoryStore.h"

namespace quillbox {

PanelContentModel::PanelContentModel(HistoryStore& store, AppState& appState,
                                     PasteService* pasteService, Recognize recognize,
                                     QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_appState(appState)
    , m_pasteService(pasteService)
    , m_recognize(std::move(recognize)) {
    connect(&m_store, &HistoryStore::itemInserted, this, &PanelContentModel::itemInserted);
    connect(&m_store, &HistoryStore::itemMoved, this, &PanelContentModel::itemMoved);
    connect(&m_store, &HistoryStore::itemsRemoved, this, &PanelContentModel::itemsRemoved);
    connect(&m_store, &HistoryStore::itemChanged, this, &PanelContentModel::itemChanged);
    connect(&m_store, &HistoryStore::pinboardsChanged, this, &PanelContentModel::pinboardsChanged);
    // Every change comes with one of the signals above first; should one ever
    // come without, the index would no longer match the history.
    connect(&m_store, &HistoryStore::itemsChanged, this, [this] {
        if (m_isIndexBuilt && m_index.size() != m_store.itemCount())
            resync();
    });
    connect(&m_appState, &AppState::selectedCategoryChanged, this,
            &PanelContentModel::filterChanged);
    connect(&m_appState, &AppState::selectedPinboardIDChanged, this,
            &PanelContentModel::filterChanged);
    connect(&m_appState, &AppState::searchQueryChanged, this, [this] {
        filterChanged();
        recognizeTextInImagesIfNeeded();
    });
    connect(&m_appState, &AppState::panelCommand, this,
            [this](PanelCommand command) { handle(command, filteredItems()); });
    recognizeTextInImagesIfNeeded();
}

PanelContentModel::~PanelContentModel() = default;

void PanelContentModel::markDirty() {
    m_isListStale = true;
    m_isFilteredItemsStale = true;
    Q_EMIT visibleListReset();
    Q_EMIT filteredItemsChanged();
}

void PanelContentModel::filterChanged() {
    // The panel state announces every write, also of the value it had: a
    // filter that lets the same items pass keeps the list, and the view its
    // scroll position.
    if (isListLive() && currentQuery().isSameAs(m_query))
        return;
    markDirty();
}

void PanelContentModel::resync() {
    qCWarning(lcCore).noquote() << QStringLiteral(
        "Quillbox: the panel's list lost step with the history; listing it afresh");
    m_isIndexBuilt = false;
    markDirty();
}

PinboardPtr PanelContentModel::selectedPinboard() const {
    if (const auto id = m_appState.selectedPinboardID())
        return m_store.pinboardWithID(*id);
    return nullptr;
}

SearchIndex::Query PanelContentModel::currentQuery() const {
    std::optional<QSet<qint64>> members;
    if (const PinboardPtr pinboard = selectedPinboard())
        members = m_store.memberIdentities(pinboard);
    return SearchIndex::Query(std::move(members), m_appState.selectedCategory(),
                              SearchIndex::trimmedQuery(m_appState.searchQuery()));
}

void PanelContentModel::ensureList() {
    if (!m_isIndexBuilt) {
        m_index.rebuild(m_store.allItems());
        m_isIndexBuilt = true;
        m_isListStale = true;
    }
    if (m_isListStale) {
        m_query = currentQuery();
        m_visible = m_index.filter(m_query);
        m_isListStale = false;
        m_isFilteredItemsStale = true;
    }
}

QList<ClipboardItemPtr> PanelContentModel::filteredItems() {
    ensureList();
    if (m_query.filtersNothing())
        return m_store.allItems(); // the same list, shared rather than copied
    if (m_isFilteredItemsStale) {
        m_filteredItems.clear();
        m_filteredItems.reserve(qsizetype(m_visible.size()));
        for (const SearchIndex::Entry entry : m_visible)
            m_filteredItems.append(m_index.item(entry));
        m_isFilteredItemsStale = false;
    }
    return m_filteredItems;
}

qsizetype PanelContentModel::visibleCount() {
    ensureList();
    return qsizetype(m_visible.size());
}

ClipboardItemPtr PanelContentModel::visibleItem(qsizetype row) {
    ensureList();
    if (row < 0 || row >= qsizetype(m_visible.size()))
        return nullptr;
    return m_index.item(m_visible[size_t(row)]);
}

qsizetype PanelContentModel::visibleRow(const QUuid& id) {
    ensureList();
    for (size_t row = 0; row < m_visible.size(); ++row) {
        if (m_index.id(m_visible[row]) == id)
            return qsizetype(row);
    }
    return -1;
}

// The visible list keeps the history's order, so an entry is found, and a
// new one placed, by binary search.
qsizetype PanelContentModel::insertionRow(SearchIndex::Entry entry) const {
    const auto position =
        std::lower_bound(m_visible.cbegin(), m_visible.cend(), entry,
                         [this](auto a, auto b) { return m_index.precedes(a, b); });
    return position - m_visible.cbegin();
}

qsizetype PanelContentModel::visibleRowOf(SearchIndex::Entry entry) const {
    const qsizetype row = insertionRow(entry);
    return row < qsizetype(m_visible.size()) && m_visible[size_t(row)] == entry ? row : -1;
}

void PanelContentModel::insertVisible(qsizetype row, SearchIndex::Entry entry) {
    m_visible.insert(m_visible.begin() + row, entry);
    m_isFilteredItemsStale = true;
    Q_EMIT visibleRowsInserted(row, 1);
}

void PanelContentModel::removeVisible(qsizetype first, qsizetype count) {
    m_visible.erase(m_visible.begin() + first, m_visible.begin() + first + count);
    m_isFilteredItemsStale = true;
    Q_EMIT visibleRowsRemoved(first, count);
}

bool PanelContentModel::isInStep(const ClipboardItemPtr& item, qsizetype row) const {
    return row >= 0 && row < m_index.size() && m_index.item(m_index.entryAt(row)) == item;
}

// The store's changes, applied to the index and, while it is live, to the
// visible list. A list not made yet (or made stale by a filter change, which
// views already heard of as a reset) is made from the index when next read.

void PanelContentModel::itemInserted(const ClipboardItemPtr& item, qsizetype row) {
    if (!m_isIndexBuilt)
        return;
    if (row < 0 || row > m_index.size())
        return resync();
    const SearchIndex::Entry entry = m_index.insert(item, row);
    if (!isListLive() || !m_index.passes(entry, m_query))
        return;
    insertVisible(insertionRow(entry), entry);
    Q_EMIT filteredItemsChanged();
}

void PanelContentModel::itemMoved(const ClipboardItemPtr& item, qsizetype fromRow,
                                  qsizetype toRow) {
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
    m_visible.erase(m_visible.begin() + from);
    const qsizetype to = insertionRow(entry);
    m_visible.insert(m_visible.begin() + to, entry);
    m_isFilteredItemsStale = true;
    // In place, its card still shows a new copy time.
    if (from == to)
        Q_EMIT visibleRowsChanged(to, to);
    else
        Q_EMIT visibleRowMoved(from, to);
    Q_EMIT filteredItemsChanged();
}

void PanelContentModel::itemsRemoved(const QList<ClipboardItemPtr>& items,
                                     const QList<qsizetype>& rows) {
    if (!m_isIndexBuilt)
        return;
    if (items.size() != rows.size())
        return resync();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (!isInStep(items[i], rows[i]) || (i > 0 && rows[i] <= rows[i - 1]))
            return resync();
    }
    std::vector<qsizetype> gone; // visible rows, ascending
    for (const qsizetype row : rows) {
        const SearchIndex::Entry entry = m_index.entryAt(row);
        // A removed member needs no more looking for, so the pinboard's
        // membership can be compared when it changes next.
        m_query.forgetMember(m_index.persistentID(entry));
        const qsizetype visible = isListLive() ? visibleRowOf(entry) : -1;
        if (visible >= 0)
            gone.push_back(visible);
    }
    m_index.remove(rows);
    if (gone.empty())
        return;
    // Runs of neighbours go together, the last run first, so each signal's
    // rows are counted in the list as it stands after the ones before.
    auto end = gone.size();
    while (end > 0) {
        auto first = end - 1;
        while (first > 0 && gone[first - 1] + 1 == gone[first])
            --first;
        removeVisible(gone[first], qsizetype(end - first));
        end = first;
    }
    Q_EMIT filteredItemsChanged();
}

void PanelContentModel::itemChanged(const ClipboardItemPtr& item, qsizetype row) {
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
        Q_EMIT visibleRowsChanged(visible, visible);
    else if (visible >= 0)
        removeVisible(visible, 1);
    else if (passes)
        insertVisible(insertionRow(entry), entry);
    else
        return;
    Q_EMIT filteredItemsChanged();
}

void PanelContentModel::pinboardsChanged() {
    if (!isListLive())
        return;
    // Only the selected tab's membership matters; it makes a new list.
    std::optional<QSet<qint64>> members;
    if (const PinboardPtr pinboard = selectedPinboard())
        members = m_store.memberIdentities(pinboard);
    if (members != m_query.members())
        markDirty();
}

ClipboardItemPtr PanelContentModel::selectedItem(const QList<ClipboardItemPtr>& items) const {
    if (items.isEmpty())
        return nullptr;
    if (const auto id = m_appState.selectedCardID()) {
        for (const auto& item : items) {
            if (item->id() == *id)
                return item;
        }
    }
    return items.first();
}

namespace {
qsizetype indexOf(const QList<ClipboardItemPtr>& items, const ClipboardItemPtr& item) {
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items[i]->id() == item->id())
            return i;
    }
    return -1;
}
} // namespace

void PanelContentModel::moveSelection(int step, const QList<ClipboardItemPtr>& items) {
    if (items.isEmpty())
        return;
    const qsizetype current = std::max<qsizetype>(0, indexOf(items, selectedItem(items)));
    const qsizetype target = std::clamp<qsizetype>(current + step, 0, items.size() - 1);
    m_appState.setSelectedCardID(items[target]->id());
}

void PanelContentModel::handle(PanelCommand command, const QList<ClipboardItemPtr>& items) {
    switch (command) {
    case PanelCommand::selectPrevious:
        moveSelection(-1, items);
        return;
    case PanelCommand::selectNext:
        moveSelection(1, items);
        return;
    case PanelCommand::pasteSelected:
    case PanelCommand::pasteSelectedAsPlainText:
        if (const auto item = selectedItem(items))
            paste(item, command == PanelCommand::pasteSelectedAsPlainText);
        return;
    case PanelCommand::deleteSelected: {
        const auto selected = selectedItem(items);
        if (!selected)
            return;
        const qsizetype position = std::max<qsizetype>(0, indexOf(items, selected));
        QList<ClipboardItemPtr> rest;
        for (const auto& item : items) {
            if (item->id() != selected->id())
                rest.append(item);
        }
        // The neighbour is selected before the deletion, so the list that
        // follows already shows it selected.
        if (rest.isEmpty())
            m_appState.setSelectedCardID(std::nullopt);
        else
            m_appState.setSelectedCardID(rest[std::min(position, rest.size() - 1)]->id());
        m_store.deleteItem(selected);
        return;
    }
    }
}

void PanelContentModel::paste(const ClipboardItemPtr& item, bool asPlainText) {
    if (m_appState.isPanelVisible())
        m_appState.setPanelVisible(false);
    if (m_pasteService)
        m_pasteService->paste(item, asPlainText);
}

void PanelContentModel::recognizeTextInImagesIfNeeded() {
    // A new search text cancels the pass in progress. A recognition already
    // running goes on; its result is dropped unless the new pass waits for
    // the same image.
    m_pass = Pass{};
    if (m_appState.searchQuery().isEmpty() || !m_recognize)
        return;
    const QString imageKind = rawValue(ContentCategory::image);
    for (const auto& item : m_store.allItems()) {
        if (item->category() == imageKind && !item->ocrText())
            m_pass.pending.append(item);
    }
    m_pass.isActive = true;
    m_pass.total = static_cast<int>(m_pass.pending.size());
    if (m_pass.total > 0)
        Q_EMIT recognitionProgress(0, m_pass.total);
    recognizeNext();
}

void PanelContentModel::recognizeNext() {
    if (m_pass.pending.isEmpty()) {
        m_pass = Pass{};
        Q_EMIT recognitionFinished();
        return;
    }
    m_pass.awaited = m_pass.pending.takeFirst();
    const ClipboardItemPtr item = m_pass.awaited;
    if (m_inFlight.contains(item.get()))
        return;
    m_inFlight.insert(item.get());
    // The answer comes back on this object's thread, and not at all once the
    // model is gone.
    whenRecognized(
        m_recognize(item->content()), this,
        [this, item](const OCRResult& result) { recognized(item, result); },
        [this, item] { abandoned(item); });
}

void PanelContentModel::abandoned(const ClipboardItemPtr& item) {
    // The recognizer gave up without an answer (it is shutting down): the
    // image stays unrecognised and the pass ends.
    m_inFlight.remove(item.get());
    if (m_pass.isActive && m_pass.awaited == item)
        m_pass = Pass{};
}

void PanelContentModel::recognized(const ClipboardItemPtr& item, const OCRResult& result) {
    m_inFlight.remove(item.get());
    if (!m_pass.isActive || m_pass.awaited != item)
        return; // the pass that asked was cancelled; the image stays pending
    m_pass.awaited.reset();
    // The item may have been deleted while it was being read.
    if (m_store.itemWithID(item->id()) == item) {
        // A failure is stored as empty text, so the image is not tried again.
        m_store.setOcrText(item, result.text.value_or(QString()));
        m_store.save();
    }
    ++m_pass.done;
    Q_EMIT recognitionProgress(m_pass.done, m_pass.total);
    recognizeNext();
}

} // namespace quillbox
