#pragma once

#include "history/ClipboardItem.h"

#include <QWidget>

namespace quillbox {

// The line under the cards that describes the selected item: a detail of
// its kind (size, path, address, colour or length), its source application
// and how long ago it was copied.
class PanelFooterView : public QWidget {
    Q_OBJECT
public:
    static constexpr int footerHeight = 34;

    explicit PanelFooterView(QWidget* parent = nullptr);

    void setItem(ClipboardItemPtr item);
    ClipboardItemPtr item() const { return m_item; }

    // The texts shown, in order (for tests and accessibility).
    QStringList texts() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ClipboardItemPtr m_item;
};

} // namespace quillbox
