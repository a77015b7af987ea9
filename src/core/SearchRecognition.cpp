#include "core/SearchRecognition.h"

#include "core/AppState.h"
#include "history/HistoryStore.h"

namespace quillbox {

SearchRecognition::SearchRecognition(HistoryStore& store, AppState& appState, Recognize recognize,
                                     QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_appState(appState)
    , m_recognize(std::move(recognize)) {
    connect(&m_appState, &AppState::searchQueryChanged, this, &SearchRecognition::restart);
    restart();
}

SearchRecognition::~SearchRecognition() = default;

void SearchRecognition::restart() {
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

void SearchRecognition::recognizeNext() {
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
    // The answer comes back on this object's thread, and not at all once it
    // is gone.
    whenRecognized(
        m_recognize(item->content()), this,
        [this, item](const OCRResult& result) { recognized(item, result); },
        [this, item] { abandoned(item); });
}

void SearchRecognition::abandoned(const ClipboardItemPtr& item) {
    // The recognizer gave up without an answer (it is shutting down): the
    // image stays unrecognised and the pass ends.
    m_inFlight.remove(item.get());
    if (m_pass.isActive && m_pass.awaited == item)
        m_pass = Pass{};
}

void SearchRecognition::recognized(const ClipboardItemPtr& item, const OCRResult& result) {
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
