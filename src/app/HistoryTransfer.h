#pragma once

#include "history/ClipboardItem.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace quillbox {

class HistoryStore;

// The history as JSON lines: one object per item with every field, payloads
// in base64, times in ISO 8601 UTC. Import reads the same lines back into a
// store, skipping content the store already holds (by hash) and keeping each
// item's copy time, pin and recognised text.
namespace HistoryTransfer {

QByteArray exportLine(const ClipboardItem& item);
QByteArray exportAll(const HistoryStore& store);

struct ImportSummary {
    int imported = 0;
    int alreadyPresent = 0;
    QStringList problems; // "line N: why", one per line that could not be read
};

ImportSummary importLines(const QByteArray& lines, HistoryStore& store);

} // namespace HistoryTransfer
} // namespace quillbox
