#pragma once

#include "capture/OCRService.h"
#include "core/PanelCommand.h"
#include "core/SearchIndex.h"
#include "history/ClipboardItem.h"
#include "history/Pinboard.h"

#include <QByteArray>
#include <QFuture>
#include <QList>
#include <QObject>
#include <QSet>
#include <functional>
#include <vector>

namespace quillbox {

class AppState;
class HistoryStore;
class PasteService;

// What the history panel lists and what its keyboard commands do: the
// visible list (pinboard, kind and search filters over the history, newest
// first), the effective selection, moving it, pasting and deleting, and the
// text recognition of images that runs while the user searches. It follows
// the store and the panel state like a live query: a change of the history
// is applied to the visible list row by row, a change of filter makes a new
// list when it is next read. Main thread.
class PanelContentModel : public QObject {
    Q_OBJECT
public:
    // Recognises the text in image bytes; OCRService::recognizeText in the
    // application, something the test controls in tests.
    using Recognize = std::function<QFuture<OCRResult>(const QByteArray&)>;

    PanelContentModel(HistoryStore& store, AppState& appState, PasteService* pasteService,
                      Recognize recognize, QObject* parent = nullptr);
    ~PanelContentModel() override;

    // The pinboard of the selected tab, when it still exists.
    PinboardPtr selectedPinboard() const;
    // The visible list as one list of items (it costs a copy of the list
    // after every change; item views read it row by row below).
    QList<ClipboardItemPtr> filteredItems();
    // The selected card within `items`: the one with the selected id, else
    // the first; none for an empty list. Never writes the selection.
    ClipboardItemPtr selectedItem(const QList<ClipboardItemPtr>& items) const;
    ClipboardItemPtr selectedItem() { return selectedItem(filteredItems()); }

    // The visible list row by row, for item views: no list is copied.
    qsizetype visibleCount();
    ClipboardItemPtr visibleItem(qsizetype row);
    // The row of the item with `id` in the visible list, or -1.
    qsizetype visibleRow(const QUuid& id);

    // Moves the selection by `step` cards within `items`, stopping at the ends.
    void moveSelection(int step, const QList<ClipboardItemPtr>& items);
    void handle(PanelCommand command, const QList<ClipboardItemPtr>& items);
    // Hides the panel, then pastes: the keystroke must reach the application
    // that was in front before the panel opened.
    void paste(const ClipboardItemPtr& item, bool asPlainText);

    // Starts (or restarts) the recognition pass for the current search text:
    // every image not yet recognised, newest first, one at a time, saving
    // after each. Runs by itself whenever the search text changes.
    void recognizeTextInImagesIfNeeded();
    bool isRecognizing() const { return m_pass.isActive; }

Q_SIGNALS:
    // The visible list, or an item in it, changed (after any row signal).
    void filteredItemsChanged();
    // Row-level changes of the visible list, for item views. Each is sent
    // once the list already has its new rows; a view that keeps its own row
    // count applies them in order. A change of filter or search text, which
    // makes a new list, is one visibleListReset.
    void visibleRowsInserted(qsizetype first, qsizetype count);
    void visibleRowsRemoved(qsizetype first, qsizetype count);
    // The row at `from` now stands at `to` (counted in the list after the move).
    void visibleRowMoved(qsizetype from, qsizetype to);
    void visibleRowsChanged(qsizetype first, qsizetype last);
    void visibleListReset();
    // Progress of the running pass: images done of those it set out to do.
    void recognitionProgress(int done, int total);
    // The pass went through all its images (not sent when it was cancelled).
    void recognitionFinished();

private:
    void markDirty();
    void filterChanged();
    void ensureList();
    bool isListLive() const { return m_isIndexBuilt && !m_isListStale; }
    SearchIndex::Query currentQuery() const;
    // The entry's row in the visible list, or -1.
    qsizetype visibleRowOf(SearchIndex::Entry entry) const;
    qsizetype insertionRow(SearchIndex::Entry entry) const;
    // Edit the visible list and tell the views.
    void insertVisible(qsizetype row, SearchIndex::Entry entry);
    void removeVisible(qsizetype first, qsizetype count);
    bool isInStep(const ClipboardItemPtr& item, qsizetype row) const;
    void resync();

    void itemInserted(const ClipboardItemPtr& item, qsizetype row);
    void itemMoved(const ClipboardItemPtr& item, qsizetype fromRow, qsizetype toRow);
    void itemsRemoved(const QList<ClipboardItemPtr>& items, const QList<qsizetype>& rows);
    void itemChanged(const ClipboardItemPtr& item, qsizetype row);
    void pinboardsChanged();
    void recognizeNext();
    void recognized(const ClipboardItemPtr& item, const OCRResult& result);
    void abandoned(const ClipboardItemPtr& item);

    HistoryStore& m_store;
    AppState& m_appState;
    PasteService* m_pasteService;
    Recognize m_recognize;

    // The index follows the store once built (on the first read); the list
    // is made afresh on the first read after a change of filter.
    SearchIndex m_index;
    bool m_isIndexBuilt = false;
    bool m_isListStale = true;
    SearchIndex::Query m_query; // what the visible list was made with
    std::vector<SearchIndex::Entry> m_visible;
    QList<ClipboardItemPtr> m_filteredItems; // m_visible as items, made on demand
    bool m_isFilteredItemsStale = true;

    struct Pass {
        bool isActive = false;
        QList<ClipboardItemPtr> pending;
        ClipboardItemPtr awaited; // the image whose result the pass waits for
        int total = 0;
        int done = 0;
    };
    Pass m_pass;
    // Images being recognised, by any pass, current or cancelled. A new pass
    // that reaches one of them waits for that result instead of asking again.
    QSet<const ClipboardItem*> m_inFlight;
};

} // namespace quillbox
