#pragma once

#include "history/ClipboardItem.h"

#include <QWidget>

namespace quillbox {

// The line under the cards that describes the selected item: a detail of
// its kind (size, path, address, colour or length), its source application
// and how long ago it was copied; at its right end, a notice about the
// session when there is one.
class PanelFooterView : public QWidget {
    Q_OBJECT
public:
    static constexpr int footerHeight = 34;

    explicit PanelFooterView(QWidget* parent = nullptr);

    void setItem(ClipboardItemPtr item);
    ClipboardItemPtr item() const { return m_item; }

    // The texts shown, in order (for tests and accessibility).
    QStringList texts() const;

    // What the session keeps from Quillbox (empty: nothing), shown beside
    // the item's texts; the whole of it in the tooltip.
    void setNotice(const QString& notice);
    const QString& notice() const { return m_notice; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Named for screen readers while shown; a hidden footer (every copy
    // while the panel is closed, thousands in an import) names itself when
    // it shows, with how long ago as of then.
    void updateAccessibleName();

    ClipboardItemPtr m_item;
    QString m_notice;
    bool m_isNameStale = false;
};

} // namespace quillbox
