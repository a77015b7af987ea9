#pragma once

#include "history/ClipboardItem.h"

#include <QObject>
#include <QSet>
#include <QString>

namespace quillbox {

class HistoryStore;
class NotificationCenter;
class OCRService;

// Records a screenshot file as an image item with the source "Screenshot",
// once per path and once per content: a screenshot that is also on the
// clipboard (GNOME Shell puts the same PNG bytes in both places) stays one
// item, whichever of the two is recorded first, since both hash the same
// bytes. Its text is recognised afterwards, off the main thread. Main thread.
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

    Result ingest(const QString& path);

private:
    void recognizeText(const ClipboardItemPtr& item);

    HistoryStore& m_store;
    NotificationCenter& m_notifications;
    OCRService* m_ocr;
    // Paths recorded or found to be duplicates; only grows.
    QSet<QString> m_ingestedPaths;
};

} // namespace quillbox
