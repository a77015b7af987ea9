#pragma once

#include <QAbstractItemView>

class QVariantAnimation;

namespace quillbox {

// The horizontal strip of cards. Every card has the same cell, so where a
// row stands is arithmetic: nothing is laid out per row, and a reset, a new
// copy or a scroll costs only the cards in sight, however long the history.
// A vertical wheel scrolls sideways, the selected card can be brought to the
// middle with a short ease-out, and a row arriving or leaving to the left of
// what is shown moves the scroll position with it, so the cards in sight
// stay put.
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

    void setModel(QAbstractItemModel* model) override;
    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

Q_SIGNALS:
    // The strip's visible area changed size (its cards follow its height).
    void viewportResized(const QSize& size);

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

    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
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

    QVariantAnimation* m_scrollAnimation;
    int m_hoveredRow = -1;
};

} // namespace quillbox
