#pragma once

#include "history/ClipboardItem.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QStringList>

class QVariantAnimation;

namespace quillbox {

class PasteStackManager;

// The Paste Stack's items as rows, in copy order: the position, a symbol of
// the kind, a one-line label, and "Next" on the row the next paste takes or
// a tick on the rows already pasted. Painted, without a widget per row; the
// row to paste next is kept centred as the stack moves on.
class StackItemList : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int rowSpacing = 4;
    static constexpr int listInset = 8;
    static constexpr int scrollDurationMs = 150;
    // A label shows one line of a narrow window: no more of an item's text
    // than this is ever looked at for it.
    static constexpr qsizetype labelCharacterLimit = 300;

    explicit StackItemList(PasteStackManager& manager, QWidget* parent = nullptr);

    // What a row says of an item: a file's name (and how many more), an
    // image's size, else its title or text on one line, else its kind.
    static QString rowLabel(const ClipboardItem& item);

    int rowHeight() const { return m_rowHeight; }
    // The row's rectangle in the list's own coordinates (unscrolled).
    QRect rowRect(int index) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void itemsChanged();
    void updateScrollRange();
    void scrollToCurrent(bool animated);
    void paintRow(QPainter& painter, int index, const QRect& rect) const;

    PasteStackManager& m_manager;
    QStringList m_labels;
    QFont m_indexFont;
    QFont m_labelFont;
    QFont m_statusFont;
    int m_rowHeight = 0;
    QVariantAnimation* m_scroll;
};

} // namespace quillbox
