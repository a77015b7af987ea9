#pragma once

#include <QList>
#include <QWidget>

class QHBoxLayout;
class QListWidget;
class QPushButton;

namespace quillbox {

// A settings page over a list of stored records (pinboards, rules): a title,
// one line of explanation, the list with one row widget a record, and a row
// of controls that ends with "Delete" (the Delete key does the same). The
// rows follow the store change by change: a record that stays keeps its row,
// so its selection and a field being typed in survive another row's change.
class RecordListPage : public QWidget {
    Q_OBJECT
public:
    struct Texts {
        QString title;
        QString titleName;
        QString note;
        QString noteName;
        QString listName;
        // Rows are named this and their position: "pinboardRow0", ...
        QString rowName;
        QString deleteName;
    };

    // Deletes the records on the selected rows.
    void deleteSelected();

protected:
    RecordListPage(const Texts& texts, QWidget* parent);

    QListWidget* list() const { return m_list; }
    // The controls below the list; "Delete" is its last widget so far.
    QHBoxLayout* controls() const { return m_controls; }

    // The records on these rows, in ascending order, are to be deleted.
    virtual void deleteRows(const QList<int>& rows) = 0;
    // Shows the store's records again, through `syncRows`.
    virtual void sync() = 0;
    // Runs `sync` once the current change is over: a row's own control may
    // be emitting it.
    void scheduleSync();

    // Brings `shown` (the records on the rows) to `records`: removes the rows
    // of records that went, makes rows for new ones where they stand, and
    // updates the rows that stay.
    // `makeRow(record)` returns a new row widget, `updateRow(widget, record)`
    // refreshes one in place.
    template <typename Record, typename MakeRow, typename UpdateRow>
    void syncRows(const QList<Record>& records, QList<Record>& shown, MakeRow makeRow,
                  UpdateRow updateRow);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void insertRow(int position, QWidget* widget);
    void removeRow(int position);
    QWidget* rowWidget(int position) const;
    void nameRows();

    QString m_rowName;
    QListWidget* m_list = nullptr;
    QHBoxLayout* m_controls = nullptr;
    QPushButton* m_delete = nullptr;
    bool m_isSyncScheduled = false;
};

template <typename Record, typename MakeRow, typename UpdateRow>
void RecordListPage::syncRows(const QList<Record>& records, QList<Record>& shown, MakeRow makeRow,
                              UpdateRow updateRow) {
    for (qsizetype row = shown.size() - 1; row >= 0; --row) {
        if (!records.contains(shown.at(row))) {
            removeRow(int(row));
            shown.removeAt(row);
        }
    }
    for (qsizetype row = 0; row < records.size(); ++row) {
        const Record& record = records.at(row);
        if (row < shown.size() && shown.at(row) == record) {
            updateRow(rowWidget(int(row)), record);
            continue;
        }
        // A record that moved gets a new row where it now stands.
        if (const qsizetype old = shown.indexOf(record); old >= 0) {
            removeRow(int(old));
            shown.removeAt(old);
        }
        insertRow(int(row), makeRow(record));
        shown.insert(row, record);
    }
    nameRows();
}

} // namespace quillbox
