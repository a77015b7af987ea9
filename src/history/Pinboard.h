#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>
#include <memory>

namespace quillbox {

// A named, coloured collection of history items kept for good. Its members
// are PinboardItem links, which HistoryStore keeps and answers for
// (HistoryStore::pinboardItems, items, contains). Fields change only through
// HistoryStore.
class Pinboard {
public:
    static inline const QString defaultColorHex = QStringLiteral("#007AFF");

    Pinboard(QString name, QString colorHex, qint64 sortOrder);

    QUuid id() const { return m_id; }
    QString name() const { return m_name; }
    QString colorHex() const { return m_colorHex; }
    qint64 sortOrder() const { return m_sortOrder; }
    QDateTime createdAt() const { return m_createdAt; }
    bool isShared() const { return m_isShared; } // stored, never set

    // Persistent identity; 0 before the pinboard is stored and after deletion.
    qint64 persistentID() const { return m_rowID; }

private:
    friend class HistoryStore;
    friend class HistoryDatabase;
    Pinboard() = default;

    qint64 m_rowID = 0;
    QUuid m_id;
    QString m_name;
    QString m_colorHex = defaultColorHex;
    qint64 m_sortOrder = 0;
    QDateTime m_createdAt;
    bool m_isShared = false;
};

using PinboardPtr = std::shared_ptr<Pinboard>;

} // namespace quillbox
