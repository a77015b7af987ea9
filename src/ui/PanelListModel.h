#pragma once

#include "history/ClipboardItem.h"

#include <QAbstractListModel>
#include <QPointer>

namespace quillbox {

class PanelContentModel;

// The panel's visible list as a Qt item model for the card strip. It keeps
// its own row count and applies the content model's row-level changes one
// by one, so a new copy inserts one row instead of resetting the strip, its
// scroll position and its selection.
class PanelListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        // The ClipboardItemPtr of the row.
        ItemRole = Qt::UserRole + 1,
        // The item's id (QUuid).
        IdRole,
    };

    explicit PanelListModel(PanelContentModel& content, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    ClipboardItemPtr itemAt(int row) const;
    // The row of the item with `id`, or -1.
    int rowOf(const QUuid& id) const;

private:
    PanelContentModel& m_content;
    // Counted lazily after a reset: a reset while the panel is hidden costs
    // nothing until the strip asks.
    mutable int m_count = 0;
    mutable bool m_isStale = false;
};

} // namespace quillbox

Q_DECLARE_METATYPE(quillbox::ClipboardItemPtr)
