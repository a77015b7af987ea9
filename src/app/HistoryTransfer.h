#pragma once

#include "content/ParsedClipboardContent.h"
#include "history/ClipboardItem.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <variant>

namespace quillbox {

class HistoryStore;

// The history as JSON lines: one object per item with every field, payloads
// in base64, times in ISO 8601 UTC. Import reads the same lines back into a
// store, skipping content the store already holds (by hash) and keeping each
// item's copy time and pin.
//
// Lines are written and read in pieces: an item of hundreds of megabytes
// never exists as one JSON document or one UTF-16 string.
namespace HistoryTransfer {

// Writes the items' lines piece by piece; one payload is loaded at a time.
class ExportCursor {
public:
    // The items newest first, one per call, null at the end; each item is let
    // go once written, before the next is asked for.
    using ItemSource = std::function<ClipboardItemPtr()>;
    explicit ExportCursor(ItemSource items);
    // Items of a live store: one deleted before its turn is left out.
    explicit ExportCursor(QList<ClipboardItemPtr> items);
    ~ExportCursor();
    ExportCursor(const ExportCursor&) = delete;
    ExportCursor& operator=(const ExportCursor&) = delete;

    // The next piece of at most about maxBytes; empty once everything is
    // written. With endAtLine, the piece ends with the first line it ends.
    QByteArray next(qsizetype maxBytes, bool endAtLine = false);

private:
    friend QByteArray exportLine(const ClipboardItem& item);
    explicit ExportCursor(const ClipboardItem& item); // that one item only
    struct Segment;
    void startItem(const ClipboardItem& item);

    ItemSource m_items;
    ClipboardItemPtr m_current; // the item being written: its content is read in pieces
    QList<Segment> m_segments;
};

// One item's whole line (small items, tests).
QByteArray exportLine(const ClipboardItem& item);

// A line read back: the content to record and what the item had beside it.
// Only the content's bytes are taken from the line: everything shown or
// searched is made from them (ImportedContent), and recognised text is left
// to be recognised again.
struct ImportedItem {
    ParsedClipboardContent content;
    std::optional<QString> sourceAppBundleID;
    std::optional<QString> sourceAppName;
    QDateTime copiedAt;
    bool isPinned = false;
};

// One line of an export, or why it can't be imported. `now` bounds copy
// times (none from the future).
std::variant<ImportedItem, QString> readLine(QByteArray line, const QDateTime& now);

struct ImportSummary {
    int imported = 0;
    int alreadyPresent = 0;
    QStringList problems; // "line N: why", one per line that could not be read
};

// Records one read line, or counts it as present; main thread (the store's).
void importItem(const ImportedItem& item, HistoryStore& store, ImportSummary& summary);

// All lines at once (tests and small inputs).
ImportSummary importLines(const QByteArray& lines, HistoryStore& store);

} // namespace HistoryTransfer
} // namespace quillbox
