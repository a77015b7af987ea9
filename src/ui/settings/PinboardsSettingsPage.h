#pragma once

#include "history/Pinboard.h"
#include "ui/settings/RecordListPage.h"

class QLineEdit;
class QPushButton;

namespace quillbox {

class HistoryStore;

// Creates, renames, recolours and deletes pinboards, in their sort order.
// Every change goes through the store at once, so the panel's tabs follow.
class PinboardsSettingsPage : public RecordListPage {
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

protected:
    // Their items stay in the history.
    void deleteRows(const QList<int>& rows) override;
    void sync() override;

private:
    QWidget* makeRow(const PinboardPtr& pinboard);
    // A name being typed in keeps its field as it is.
    static void updateRow(QWidget* row, const PinboardPtr& pinboard);
    void chooseColor(const PinboardPtr& pinboard);

    HistoryStore& m_store;
    QLineEdit* m_newName = nullptr;
    QPushButton* m_add = nullptr;
    QList<PinboardPtr> m_shown;
};

} // namespace quillbox
