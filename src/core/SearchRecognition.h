#pragma once

#include "capture/OCRService.h"
#include "history/ClipboardItem.h"

#include <QByteArray>
#include <QFuture>
#include <QList>
#include <QObject>
#include <QSet>
#include <functional>

namespace quillbox {

class AppState;
class HistoryStore;

// Recognises the text in images while the user searches, so that images
// are found by the words they show: whenever the search text changes (and
// is not empty), a pass goes through every image not yet recognised, newest
// first, one at a time, saving after each. The panel's list takes each
// result as a change of the item. Main thread.
class SearchRecognition : public QObject {
    Q_OBJECT
public:
    // Recognises the text in image bytes; OCRService::recognizeText in the
    // application, something the test controls in tests.
    using Recognize = std::function<QFuture<OCRResult>(const QByteArray&)>;

    // Without `recognize`, no pass ever runs.
    SearchRecognition(HistoryStore& store, AppState& appState, Recognize recognize,
                      QObject* parent = nullptr);
    ~SearchRecognition() override;

    // Starts (or restarts) the pass for the current search text.
    void restart();
    bool isRecognizing() const { return m_pass.isActive; }

Q_SIGNALS:
    // Progress of the running pass: images done of those it set out to do.
    void recognitionProgress(int done, int total);
    // The pass went through all its images (not sent when it was cancelled).
    void recognitionFinished();

private:
    void recognizeNext();
    void recognized(const ClipboardItemPtr& item, const OCRResult& result);
    void abandoned(const ClipboardItemPtr& item);

    HistoryStore& m_store;
    AppState& m_appState;
    Recognize m_recognize;

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
