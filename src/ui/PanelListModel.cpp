#include "ui/PanelListModel.h"

#include "core/PanelContentModel.h"

namespace quillbox {

PanelListModel::PanelListModel(PanelContentModel& content, QObject* parent)
    : QAbstractListModel(parent)
    , m_content(content)
    , m_count(int(content.visibleCount())) {
    // The content model has already changed when it tells; the view only
    // learns of the change between begin and end, through the row count
    // kept here.
    connect(&m_content, &PanelContentModel::visibleRowsInserted, this,
            [this](qsizetype first, qsizetype count) {
                // Before the view has counted after a reset, it counts afresh.
                if (count <= 0 || m_isStale)
                    return;
                beginInsertRows({}, int(first), int(first + count - 1));
                m_count += int(count);
                endInsertRows();
            });
    connect(&m_content, &PanelContentModel::visibleRowsRemoved, this,
            [this](qsizetype first, qsizetype count) {
                if (count <= 0 || m_isStale)
                    return;
                beginRemoveRows({}, int(first), int(first + count - 1));
                m_count -= int(count);
                endRemoveRows();
            });
    connect(&m_content, &PanelContentModel::visibleRowMoved, this,
            [this](qsizetype from, qsizetype to) {
                if (from == to || m_isStale)
                    return;
                // Qt names the destination as the row before which the moved
                // row lands, counted before the move.
                const int destination = int(to > from ? to + 1 : to);
                if (beginMoveRows({}, int(from), int(from), {}, destination))
                    endMoveRows();
            });
    connect(&m_content, &PanelContentModel::visibleRowsChanged, this,
            [this](qsizetype first, qsizetype last) {
                Q_EMIT dataChanged(index(int(first)), index(int(last)));
            });
    connect(&m_content, &PanelContentModel::visibleListReset, this, [this] {
        beginResetModel();
        m_isStale = true;
        endResetModel();
    });
}

int PanelListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    if (m_isStale) {
        m_count = int(m_content.visibleCount());
        m_isStale = false;
    }
    return m_count;
}

QVariant PanelListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const ClipboardItemPtr item = itemAt(index.row());
    if (!item)
        return {};
    switch (role) {
    case ItemRole:
        return QVariant::fromValue(item);
    case IdRole:
        return item->id();
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return item->plainTextPreview().value_or(item->title().value_or(QString())).left(200);
    default:
        return {};
    }
}

ClipboardItemPtr PanelListModel::itemAt(int row) const {
    return m_content.visibleItem(row);
}

int PanelListModel::rowOf(const QUuid& id) const {
    return int(m_content.visibleRow(id));
}

} // namespace quillbox
