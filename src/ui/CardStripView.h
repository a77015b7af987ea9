#pragma once

#include <QAbstractItemView>
#include <QPersistentModelIndex>

class QVariantAnimation;

namespace quillbox {

class CardMotion;

// The horizontal strip of cards. Every card has the same cell, so where a
// row stands is arithmetic: nothing is laid out per row, and a reset, a new
// copy or a scroll costs only the cards in sight, however long the history.
// A vertical wheel scrolls sideways, the selected card can be brought to the
// middle with a short ease-out, and a row arriving or leaving to the left of
// what is shown moves the scroll position with it, so the cards in sight
// stay put. A card that gains or loses the pointer or the selection eases
// into its new look (CardMotion, one clock for the strip).
//
// The strip never selects by itself: the selection it shows is the one the
// panel sets through its selection model, so a press, a right click or a
// drag cannot show one card selected while the keys act on another.
class CardStripView : public QAbstractItemView {
    Q_OBJECT
public:
    explicit CardStripView(QWidget* parent = nullptr);

    // The size of every row's cell; by default the delegate's size for row 0.
    QSize cellSize() const;

    // Scrolls so that the card of `row` stands in the middle of the strip.
    void centreOnRow(int row, bool animated);
    // The rows in sight, first and last; (0, -1) when none.
    std::pair<int, int> visibleRows() const;
    const CardMotion& motion() const { return *m_motion; }

    void setModel(QAbstractItemModel* model) override;
    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

Q_SIGNALS:
    // The strip's visible area changed size (its cards follow its height).
    void viewportResized(const QSize& size);
    // A double click on a card: the card under its first click, even when
    // that click scrolled another card under the pointer.
    void cardDoubleClicked(const QModelIndex& index);

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
    void reset() override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;

    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int rowCount() const;
    int cellWidth() const { return std::max(1, cellSize().width()); }
    // Keeps the cards in sight where they are when `count` rows arrive (or,
    // negative, leave) before `row`.
    void shiftForRowsBefore(int row, int count);
    void setHoveredRow(int row);
    // Eases the card of `index` from its look with the first pair of flags
    // to its look with the second.
    void moveCard(const QModelIndex& index, bool wasSelected, bool wasHovered, bool isSelected,
                  bool isHovered);
    void repaintMoved(const QList<QUuid>& ids);

    struct Press {
        QPersistentModelIndex card;
        quint64 timestamp = 0;
    };

    QVariantAnimation* m_scrollAnimation;
    CardMotion* m_motion;
    int m_hoveredRow = -1;
    // The last two left presses: a double click's own press may or may not
    // come before it, so the first click's is one of them.
    Press m_earlierPress;
    Press m_lastPress;
    bool m_isEndingDoubleClick = false;
};

} // namespace quillbox
