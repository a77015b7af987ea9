#pragma once

#include "history/ClipboardItem.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>

namespace quillbox {

class HistoryStore;
class NotificationCenter;
class OCRService;

// Records a screenshot file as an image item with the source "Screenshot",
// once per path and once per content: a screenshot that is also on the
// clipboard (GNOME Shell puts the same PNG bytes in both places) stays one
// item, whichever of the two is recorded first, since both hash the same
// bytes. The file is read, checked and thumbnailed on a worker thread, one
// file at a time in the order asked, and recorded on the main thread in that
// order; its text is recognised afterwards, off the main thread as well.
// Main thread.
class ScreenshotIngestor : public QObject {
    Q_OBJECT
public:
    static constexpr int thumbnailMaxPixelSize = 600;
    // Larger files are not read: no screen is that big, and reading would
    // stall the main thread.
    static constexpr qint64 fileSizeLimit = 256LL * 1024 * 1024;
    static inline const QString sourceAppName = QStringLiteral("Screenshot");
    // Stands for the desktop's screenshot tool, whichever it is.
    static inline const QString sourceAppIdentifier = QStringLiteral("screenshot");

    enum class Outcome {
        recorded,
        alreadyHandled, // this path was recorded or found a duplicate before
        duplicate,      // the history holds the same bytes; the item is not touched
        unreadable,     // missing, empty, too large or not readable: may be tried again
        notAnImage,     // does not decode: logged, may be tried again once rewritten
    };
    struct Result {
        Outcome outcome;
        ClipboardItemPtr item; // the recorded item, with `recorded` only
    };

    // With an OCR service, the recorded image's text is recognised afterwards.
    ScreenshotIngestor(HistoryStore& store, NotificationCenter& notifications,
                       OCRService* ocr = nullptr, QObject* parent = nullptr);
    ~ScreenshotIngestor() override;

    // Queues the file; `ingested` tells how it went. A path already handled
    // or queued is not queued again.
    void ingest(const QString& path);
    // Files queued and not yet told of.
    qsizetype pendingCount() const { return m_queuedPaths.size(); }

Q_SIGNALS:
    void ingested(const QString& path, const ScreenshotIngestor::Result& result);

private:
    struct Prepared;
    // The worker's part: everything that may wait on the file or take long.
    static Prepared prepare(const QString& path);
    void finish(const Prepared& prepared);
    Result record(const Prepared& prepared);
    void recognizeText(const ClipboardItemPtr& item);

    HistoryStore& m_store;
    NotificationCenter& m_notifications;
    OCRService* m_ocr;
    // Paths recorded or found to be duplicates; only grows.
    QSet<QString> m_ingestedPaths;
    QSet<QString> m_queuedPaths;
    // One thread, so that files are prepared and recorded in the order asked.
    QThreadPool m_worker;
};

} // namespace quillbox
