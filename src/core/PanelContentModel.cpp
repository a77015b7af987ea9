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
    connect(&m_store, &HistoryStore::itemsChanged, this, &PanelContentModel::historyChanged);
    connect(&m_store, &HistoryStore::pinboardsChanged, this, &PanelContentModel::markDirty);
    connect(&m_appState, &AppState::selectedCategoryChanged, this, &PanelContentModel::markDirty);
    connect(&m_appState, &AppState::selectedPinboardIDChanged, this, &PanelContentModel::markDirty);
    connect(&m_appState, &AppState::searchQueryChanged, this, [this] {
        markDirty();
        recognizeTextInImagesIfNeeded();
    });
    connect(&m_appState, &AppState::panelCommand, this,
            [this](PanelCommand command) { handle(command, filteredItems()); });
    recognizeTextInImagesIfNeeded();
}

PanelContentModel::~PanelContentModel() = default;

void PanelContentModel::markDirty() {
    m_isListStale = true;
    Q_EMIT filteredItemsChanged();
}

void PanelContentModel::historyChanged() {
    m_isIndexStale = true;
    markDirty();
}

PinboardPtr PanelContentModel::selectedPinboard() const {
    if (const auto id = m_appState.selectedPinboardID())
        return m_store.pinboardWithID(*id);
    return nullptr;
}

QList<ClipboardItemPtr> PanelContentModel::filteredItems() {
    if (m_isIndexStale) {
        m_index.rebuild(m_store.allItems());
        m_isIndexStale = false;
        m_isListStale = true;
    }
    if (m_isListStale) {
        std::optional<QSet<qint64>> members;
        if (const PinboardPtr pinboard = selectedPinboard())
            members = m_store.memberIdentities(pinboard);
        m_filteredItems = m_index.filter(members, m_appState.selectedCategory(),
                                         SearchIndex::trimmedQuery(m_appState.searchQuery()));
        m_isListStale = false;
    }
    return m_filteredItems;
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
    // The continuation runs on this object's thread, and not at all once the
    // model is gone.
    m_recognize(item->content())
        .then(this, [this, item](const OCRResult& result) { recognized(item, result); })
        .onCanceled(this, [this, item] { abandoned(item); });
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
        // Before the write: the store's change signal may rebuild the list at once.
        m_index.invalidate(item.get());
        m_store.setOcrText(item, result.text.value_or(QString()));
        m_store.save();
    }
    ++m_pass.done;
    Q_EMIT recognitionProgress(m_pass.done, m_pass.total);
    recognizeNext();
}

} // namespace quillbox
