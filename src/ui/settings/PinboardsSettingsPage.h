#pragma once

#include "history/Pinboard.h"

#include <QWidget>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace quillbox {

class HistoryStore;

// Creates, renames, recolours and deletes pinboards, in their sort order.
// Every change goes through the store at once, so the panel's tabs follow.
class PinboardsSettingsPage : public QWidget {
    Q_OBJECT
public:
    static inline const QString newPinboardColorHex = QStringLiteral("#007AFF");

    explicit PinboardsSettingsPage(HistoryStore& store, QWidget* parent = nullptr);

    // "#RRGGBB" of a colour's sRGB components, each truncated (opacity dropped).
    static QString toHex(const QColor& color);
    // Spaces and tabs (not line breaks) removed from both ends.
    static QString trimmedName(const QString& name);

    // The "Add" button's action: a blue pinboard at the end of the order.
    void addPinboard();
    // Deletes the pinboards on the selected rows; their items stay in the history.
    void deleteSelected();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void scheduleSync();
    // Updates the rows in place while the pinboards are the same ones, so a
    // name being typed keeps its field; rebuilds them otherwise.
    void sync();
    QWidget* makeRow(const PinboardPtr& pinboard, int position);
    void chooseColor(const PinboardPtr& pinboard);

    HistoryStore& m_store;
    QListWidget* m_list = nullptr;
    QLineEdit* m_newName = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_delete = nullptr;
    QList<PinboardPtr> m_shown;
    bool m_isSyncScheduled = false;
};

} // namespace quillbox
