#pragma once

#include "history/ClipboardItem.h"

#include <QObject>

namespace quillbox {

// The process's announcements of captures, for whoever wants to hear of them
// (nothing inside Quillbox listens; they are its published signal). Signals
// are delivered on the main thread, where captures happen.
class NotificationCenter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    static NotificationCenter& shared();

    void postClipboardDidChange(const ClipboardItemPtr& item) { Q_EMIT clipboardDidChange(item); }
    void postScreenshotCaptured(const ClipboardItemPtr& item) { Q_EMIT screenshotCaptured(item); }

Q_SIGNALS:
    // After each clipboard change the monitor recorded, with the recorded item.
    void clipboardDidChange(quillbox::ClipboardItemPtr item);
    // After each recorded screenshot, with the recorded item.
    void screenshotCaptured(quillbox::ClipboardItemPtr item);
};

} // namespace quillbox
