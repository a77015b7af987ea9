#include "history/PinboardItem.h"

namespace quillbox {

PinboardItem::PinboardItem(qint64 sortOrder)
    : m_id(QUuid::createUuid())
    , m_addedAt(QDateTime::currentDateTimeUtc())
    , m_sortOrder(sortOrder) {
}

} // namespace quillbox
