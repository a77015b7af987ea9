#pragma once

#include "history/ClipboardItem.h"
#include "history/Pinboard.h"

#include <QDateTime>
#include <QUuid>
#include <memory>

namespace quillbox {

// One membership of one history item in one pinboard, with its place in the
// pinboard's order. A pure link: it holds no copy of the item's content.
class PinboardItem {
public:
    explicit PinboardItem(qint64 sortOrder);

    QUuid id() const { return m_id; }
    // Either end may be absent in storage (nullified when that end was deleted
    // behind the store's back); links the store creates always have both.
    ClipboardItemPtr clipboardItem() const { return m_clipboardItem; }
    PinboardPtr pinboard() const { return m_pinboard; }
    QDateTime addedAt() const { return m_addedAt; }
    qint64 sortOrder() const { return m_sortOrder; }

    qint64 persistentID() const { return m_rowID; }

private:
    friend class HistoryStore;
    friend class HistoryDatabase;
    PinboardItem() = default;

    qint64 m_rowID = 0;
    QUuid m_id;
    ClipboardItemPtr m_clipboardItem;
    PinboardPtr m_pinboard;
    QDateTime m_addedAt;
    qint64 m_sortOrder = 0;
};

using PinboardItemPtr = std::shared_ptr<PinboardItem>;

} // namespace quillbox
