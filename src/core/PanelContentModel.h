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

namespace quillbox {

class AppState;
class HistoryStore;
class PasteService;

// What the history panel lists and what its keyboard commands do: the
// visible list (pinboard, kind and search filters over the history, newest
// first), the effective selection, moving it, pasting and deleting, and the
// text recognition of images that runs while the user searches. It follows
// the store and the panel state like a live query. Main thread.
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
    // The visible list; recomputed when the history or a filter changed.
    QList<ClipboardItemPtr> filteredItems();
    // The selected card within `items`: the one with the selected id, else
    // the first; none for an empty list. Never writes the selection.
    ClipboardItemPtr selectedItem(const QList<ClipboardItemPtr>& items) const;
    ClipboardItemPtr selectedItem() { return selectedItem(filteredItems()); }

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
    void filteredItemsChanged();
    // Progress of the running pass: images done of those it set out to do.
    void recognitionProgress(int done, int total);
    // The pass went through all its images (not sent when it was cancelled).
    void recognitionFinished();

private:
    void markDirty();
    void historyChanged();
    void recognizeNext();
    void recognized(const ClipboardItemPtr& item, const OCRResult& result);
    void abandoned(const ClipboardItemPtr& item);

    HistoryStore& m_store;
    AppState& m_appState;
    PasteService* m_pasteService;
    Recognize m_recognize;

    SearchIndex m_index;
    bool m_isIndexStale = true;
    bool m_isListStale = true;
    QList<ClipboardItemPtr> m_filteredItems;

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
