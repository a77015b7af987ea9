#pragma once

#include "core/SearchIndex.h"
#include "history/ClipboardItem.h"
#include "history/Pinboard.h"

#include <QAbstractListModel>
#include <QList>
#include <vector>

namespace quillbox {

class AppState;
class HistoryStore;

// The history panel's visible list as a Qt item model: the history newest
// first, through the selected pinboard tab, kind and search text. It follows
// the store like a live query: each change of the history reaches the views
// as the row signal it amounts to (rows inserted, moved or removed, data
// changed), so a new copy adds one card and the strip keeps its scroll
// position and selection. A change of filter makes a new list: one reset,
// and the list is made when next read. Main thread.
class PanelListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        // The ClipboardItemPtr of the row.
        ItemRole = Qt::UserRole + 1,
        // The item's id (QUuid).
        IdRole,
    };

    PanelListModel(HistoryStore& store, AppState& appState, QObject* parent = nullptr);
    ~PanelListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // None outside the list.
    ClipboardItemPtr itemAt(int row) const;
    // The row of the item with `id`, or -1.
    int rowOf(const QUuid& id) const;
    // The selected card's row: the one with the selected id, else the first
    // (the id stays, for when its card comes back); -1 for an empty list.
    int selectedRow() const;
    // The whole list at once, for a listing outside the panel.
    QList<ClipboardItemPtr> items() const;

    // The pinboard of the selected tab, when it still exists.
    PinboardPtr selectedPinboard() const;

private:
    // The index follows the store once built (on the first read); the list
    // is made afresh on the first read after a change of filter. Reads make
    // them, hence mutable. While the store reads the history in and the
    // panel is hidden, a view's read gets an empty list.
    enum class WhileReading { answerEmpty, wait };
    void ensureList(WhileReading whileReading = WhileReading::answerEmpty) const;
    void historyArrived();
    // Folds the texts the index left at its rebuild, a slice per turn of the
    // event loop, so a large history is listed at once and searchable soon.
    void foldTextInBackground() const;
    bool isListLive() const { return m_isIndexBuilt && !m_isListStale; }
    void filterChanged();
    void resetList(bool rebuildIndex);
    void resync();
    SearchIndex::Query currentQuery() const;
    // The entry's row in the visible list, or -1.
    qsizetype visibleRowOf(SearchIndex::Entry entry) const;
    qsizetype insertionRow(SearchIndex::Entry entry) const;
    // Where an entry that stands at `from`, and whose copy time has changed,
    // belongs among the others.
    qsizetype movedRow(qsizetype from) const;
    void insertVisible(qsizetype row, SearchIndex::Entry entry);
    void removeVisible(qsizetype first, qsizetype count);
    void changeVisible(qsizetype row);
    bool isInStep(const ClipboardItemPtr& item, qsizetype row) const;

    void itemInserted(const ClipboardItemPtr& item, qsizetype row);
    void itemMoved(const ClipboardItemPtr& item, qsizetype fromRow, qsizetype toRow);
    void itemsRemoved(const QList<ClipboardItemPtr>& items, const QList<qsizetype>& rows);
    void itemChanged(const ClipboardItemPtr& item, qsizetype row);
    void pinboardsChanged();

    HistoryStore& m_store;
    AppState& m_appState;

    mutable SearchIndex m_index;
    mutable bool m_isIndexBuilt = false;
    mutable bool m_isListStale = true;
    mutable bool m_isFoldingScheduled = false;
    mutable bool m_isAwaitingHistory = false; // answered empty while the store was reading
    mutable SearchIndex::Query m_query;       // what the visible list was made with
    mutable std::vector<SearchIndex::Entry> m_visible;
};

} // namespace quillbox

Q_DECLARE_METATYPE(quillbox::ClipboardItemPtr)
