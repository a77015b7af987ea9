#include "linux/X11Pasteboard.h"

#include "content/Logging.h"
#include "linux/ClipboardMime.h"

#include <QClipboard>
#include <QGuiApplication>

namespace quillbox {

X11Pasteboard::X11Pasteboard(QObject* parent)
    : X11Pasteboard(ClipboardReadLimits{}, parent) {
}

X11Pasteboard::X11Pasteboard(const ClipboardReadLimits& limits, QObject* parent)
    : QObject(parent)
    , m_reader(limits)
    , m_snapshot(std::make_shared<const ClipboardSnapshot>()) {
    // Queued: snapshots are announced from the reader's thread.
    connect(&m_reader, &X11ClipboardReader::snapshotRead, this, &X11Pasteboard::applySnapshot,
            Qt::QueuedConnection);
    m_reader.start();
}

X11Pasteboard::~X11Pasteboard() {
    m_reader.stop();
}

std::optional<QString> X11Pasteboard::string(const QString& type) const {
    return m_snapshot->string(type);
}

std::optional<QByteArray> X11Pasteboard::data(const QString& type) const {
    return m_snapshot->data(type);
}

void X11Pasteboard::write(const QList<PasteboardItem>& items) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        qCWarning(lcX11) << "Quillbox: cannot write the clipboard without a GUI application";
        return;
    }
    // Qt takes ownership of the selection and answers other clients' requests
    // from the main thread's event loop; the reader sees the new owner like any
    // other and moves the change count when it has read our offer back.
    clipboard->setMimeData(ClipboardMime::mimeDataForItems(items).release(), QClipboard::Clipboard);
}

void X11Pasteboard::applySnapshot(std::shared_ptr<const ClipboardSnapshot> snapshot,
                                  bool isChange) {
    m_snapshot = std::move(snapshot);
    if (isChange)
        ++m_changeCount;
    m_hasReadInitialContents = true;
    Q_EMIT contentsChanged();
}

} // namespace quillbox
