#pragma once

#include "app/CommandReply.h"
#include "history/ClipboardItem.h"

#include <QList>
#include <QString>

namespace quillbox {

// `list` and `search` output: table rows, or one JSON array, made and sent a
// piece at a time as the reader takes them, so a history of any length is
// never held as one answer (nor one message line the client would refuse).
namespace ListingStream {

// Newest first, as given; `emptyText` is what an empty table says.
void send(QList<ClipboardItemPtr> items, bool asJson, const QString& emptyText, CommandReply reply);

} // namespace ListingStream
} // namespace quillbox
