#include "history/Pinboard.h"

namespace quillbox {

Pinboard::Pinboard(QString name, QString colorHex, qint64 sortOrder)
    : m_id(QUuid::createUuid())
    , m_name(std::move(name))
    , m_colorHex(std::move(colorHex))
    , m_sortOrder(sortOrder)
    , m_createdAt(QDateTime::currentDateTimeUtc()) {
}

} // namespace quillbox
