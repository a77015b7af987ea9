#include "ui/CardStripView.h"

#include "core/PanelListModel.h"
#include "ui/CardMotion.h"
#include "ui/CardPose.h"

#include <QPainter>
#include <QScrollBar>
#include <QVariantAnimation>
#include <QWheelEvent>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace quillbox {

namespace {
constexpr auto centreAnimationDuration = 150ms;
constexpr QSize fallbackCellSize{212, 260};
} // namespace

CardStripView::CardStripView(QWidget* parent)
    : QAbstractItemView(parent)
    , m_scrollAnimation(new QVariantAnimation(this))
    , m_motion(new CardMotion(this)) {
    setObjectName(u"cardStrip"_s);
    // Mouse presses never select: the panel's state does (see the header).
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    // The search field keeps the keyboard; the strip follows the panel's keys.
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setContextMenuPolicy(Qt::CustomContextMenu);

    m_scrollAnimation->setDuration(int(centreAnimationDuration.count()));
    m_scrollAnimation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_scrollAnimation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { horizontalScrollBar()->setValue(value.toInt()); });
    connect(m_motion, &CardMotion::moved, this, &CardStripView::repaintMoved);
}

void CardStripView::setModel(QAbstractItemModel* model) {
    if (this->model())
        disconnect(this->model(), &QAbstractItemModel::rowsMoved, this, nullptr);
    QAbstractItemView::setModel(model);
    if (!model)
        return;
    // A row moved across the left edge of what is shown shifts the rest.
    connect(model, &QAbstractItemModel::rowsMoved, this,
            [this](const QModelIndex&, int start, int end, const QModelIndex&, int destination) {
                const int first = horizontalScrollBar()->value() / cellWidth();
                const int count = end - start + 1;
                const int landing = destination > start ? destination - count : destination;
                if (start >= first && landing < first)
                    shiftForRowsBefore(0, count);
                else if (start < first && landing >= first)
                    shiftForRowsBefore(0, -count);
                updateGeometries();
                viewport()->update();
            });
}

int CardStripView::rowCount() const {
    return model() ? model()->rowCount(rootIndex()) : 0;
}

QSize CardStripView::cellSize() const {
    if (!model() || !itemDelegate())
        return fallbackCellSize;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    // The delegate gives every card one size; row 0 stands for all, and an
    // empty model asks for an invalid index.
    const QSize size = itemDelegate()->sizeHint(option, model()->index(0, 0, rootIndex()));
    return size.isValid() && !size.isEmpty() ? size : fallbackCellSize;
}

std::pair<int, int> CardStripView::visibleRows() const {
    const int count = rowCount();
    if (count == 0)
        return {0, -1};
    const int width = cellWidth();
    const int offset = horizontalScrollBar()->value();
    const int first = std::clamp(offset / width, 0, count - 1);
    const int last = std::clamp((offset + viewport()->width() - 1) / width, 0, count - 1);
    return {first, last};
}

QRect CardStripView::visualRect(const QModelIndex& index) const {
    if (!index.isValid())
        return {};
    const QSize cell = cellSize();
    return QRect(QPoint(index.row() * cell.width() - horizontalScrollBar()->value(), 0), cell);
}

void CardStripView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid())
        return;
    if (hint == PositionAtCenter) {
        centreOnRow(index.row(), false);
        return;
    }
    const QRect card = visualRect(index);
    QScrollBar* bar = horizontalScrollBar();
    if (card.left() < 0)
        bar->setValue(bar->value() + card.left());
    else if (card.right() >= viewport()->width())
        bar->setValue(bar->value() + card.right() - viewport()->width() + 1);
}

QModelIndex CardStripView::indexAt(const QPoint& point) const {
    const QSize cell = cellSize();
    if (point.y() < 0 || point.y() >= cell.height())
        return {};
    const int x = point.x() + horizontalScrollBar()->value();
    const int row = x / cell.width();
    if (x < 0 || row >= rowCount())
        return {};
    return model()->index(row, 0, rootIndex());
}

QModelIndex CardStripView::moveCursor(CursorAction, Qt::KeyboardModifiers) {
    // The panel moves the selection itself; the strip never has the keyboard.
    return currentIndex();
}

int CardStripView::horizontalOffset() const {
    return horizontalScrollBar()->value();
}

int CardStripView::verticalOffset() const {
    return 0;
}

bool CardStripView::isIndexHidden(const QModelIndex&) const {
    return false;
}

void CardStripView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    const QModelIndex index = indexAt(rect.center());
    if (index.isValid())
        selectionModel()->select(index, command);
}

QRegion CardStripView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    for (const QModelIndex& index : selection.indexes())
        region += visualRect(index);
    return region;
}

void CardStripView::updateGeometries() {
    QScrollBar* bar = horizontalScrollBar();
    const int width = cellWidth();
    bar->setRange(0, std::max(0, rowCount() * width - viewport()->width()));
    bar->setPageStep(viewport()->width());
    bar->setSingleStep(width / 4);
    QAbstractItemView::updateGeometries();
}

void CardStripView::scrollContentsBy(int dx, int) {
    viewport()->scroll(dx, 0);
}

void CardStripView::shiftForRowsBefore(int row, int count) {
    QScrollBar* bar = horizontalScrollBar();
    if (bar->value() == 0 && count > 0)
        return; // at the start, the newest card is what the user wants to see
    const int first = bar->value() / cellWidth();
    if (row > first)
        return;
    m_scrollAnimation->stop();
    // Set the range first, so the new value is not clamped to the old one.
    bar->setMaximum(std::max(0, rowCount() * cellWidth() - viewport()->width()));
    bar->setValue(bar->value() + count * cellWidth());
}

void CardStripView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsInserted(parent, start, end);
    shiftForRowsBefore(start, end - start + 1);
    updateGeometries();
    viewport()->update();
}

void CardStripView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
    if (end < horizontalScrollBar()->value() / cellWidth())
        shiftForRowsBefore(start, -(end - start + 1));
    m_hoveredRow = -1;
    // The rows are still counted here: the new range comes with the next layout.
    QMetaObject::invokeMethod(
        this,
        [this] {
            updateGeometries();
            viewport()->update();
        },
        Qt::QueuedConnection);
}

void CardStripView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                const QList<int>& roles) {
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
    viewport()->update();
}

void CardStripView::reset() {
    QAbstractItemView::reset();
    m_scrollAnimation->stop();
    m_motion->stopAll();
    m_hoveredRow = -1;
    horizontalScrollBar()->setValue(0);
    updateGeometries();
    viewport()->update();
}

void CardStripView::selectionChanged(const QItemSelection& selected,
                                     const QItemSelection& deselected) {
    QAbstractItemView::selectionChanged(selected, deselected);
    // One card hands the selection to another: both ease. The selection
    // that comes with a new list, or after a deletion, just shows.
    if (deselected.isEmpty() || !isVisible())
        return;
    for (const QModelIndex& index : deselected.indexes()) {
        const bool isHovered = index.row() == m_hoveredRow;
        moveCard(index, true, isHovered, false, isHovered);
    }
    for (const QModelIndex& index : selected.indexes()) {
        const bool isHovered = index.row() == m_hoveredRow;
        moveCard(index, false, isHovered, true, isHovered);
    }
}

void CardStripView::moveCard(const QModelIndex& index, bool wasSelected, bool wasHovered,
                             bool isSelected, bool isHovered) {
    const QUuid id = index.data(PanelListModel::IdRole).toUuid();
    if (!id.isNull())
        m_motion->move(id, CardPose::settled(wasSelected, wasHovered),
                       CardPose::settled(isSelected, isHovered));
}

void CardStripView::repaintMoved(const QList<QUuid>& ids) {
    const auto [first, last] = visibleRows();
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        if (ids.contains(index.data(PanelListModel::IdRole).toUuid()))
            viewport()->update(visualRect(index));
    }
}

void CardStripView::centreOnRow(int row, bool animated) {
    if (row < 0 || row >= rowCount())
        return;
    updateGeometries();
    const int width = cellWidth();
    QScrollBar* bar = horizontalScrollBar();
    const int target = std::clamp(row * width + width / 2 - viewport()->width() / 2, bar->minimum(),
                                  bar->maximum());
    m_scrollAnimation->stop();
    if (!animated || !isVisible() || target == bar->value()) {
        bar->setValue(target);
        return;
    }
    m_scrollAnimation->setStartValue(bar->value());
    m_scrollAnimation->setEndValue(target);
    m_scrollAnimation->start();
}

void CardStripView::paintEvent(QPaintEvent* event) {
    const auto [first, last] = visibleRows();
    if (last < first || !itemDelegate())
        return;
    QPainter painter(viewport());
    CardStyleOption option;
    initViewItemOption(&option);
    const QModelIndex current = currentIndex();
    const bool isAnyMoving = m_motion->movingCount() > 0;
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        option.rect = visualRect(index);
        if (!event->region().intersects(option.rect))
            continue;
        option.state = QStyle::State_Enabled;
        const bool isSelected = selectionModel() && selectionModel()->isSelected(index);
        if (isSelected)
            option.state |= QStyle::State_Selected;
        if (row == m_hoveredRow)
            option.state |= QStyle::State_MouseOver;
        if (index == current)
            option.state |= QStyle::State_HasFocus;
        option.pose = CardPose::settled(isSelected, row == m_hoveredRow);
        if (isAnyMoving)
            option.pose = m_motion->pose(index.data(PanelListModel::IdRole).toUuid(), option.pose);
        itemDelegate()->paint(&painter, option, index);
    }
}

void CardStripView::wheelEvent(QWheelEvent* event) {
    // A mouse wheel turns vertically; the strip runs sideways.
    const QPoint pixels = event->pixelDelta();
    const QPoint angle = event->angleDelta();
    const QPoint delta = pixels.isNull() ? angle : pixels;
    m_scrollAnimation->stop();
    QScrollBar* bar = horizontalScrollBar();
    bar->setValue(bar->value() - (delta.x() != 0 ? delta.x() : delta.y()));
    event->accept();
}

void CardStripView::setHoveredRow(int row) {
    if (row == m_hoveredRow)
        return;
    const int previous = m_hoveredRow;
    m_hoveredRow = row;
    if (!model())
        return;
    if (isVisible()) {
        const auto isSelected = [this](const QModelIndex& index) {
            return selectionModel() && selectionModel()->isSelected(index);
        };
        if (previous >= 0 && previous < rowCount()) {
            const QModelIndex index = model()->index(previous, 0, rootIndex());
            moveCard(index, isSelected(index), true, isSelected(index), false);
        }
        if (row >= 0 && row < rowCount()) {
            const QModelIndex index = model()->index(row, 0, rootIndex());
            moveCard(index, isSelected(index), false, isSelected(index), true);
        }
    }
    for (const int changed : {previous, row}) {
        if (changed >= 0 && changed < rowCount())
            viewport()->update(visualRect(model()->index(changed, 0, rootIndex())));
    }
}

void CardStripView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_earlierPress = m_lastPress;
        m_lastPress = Press{indexAt(event->position().toPoint()), event->timestamp()};
    }
    m_isEndingDoubleClick = false;
    QAbstractItemView::mousePressEvent(event);
}

void CardStripView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractItemView::mouseDoubleClickEvent(event);
        return;
    }
    // The first click selected its card and began to centre it: the second
    // press may well land on a neighbour, and the double click is still
    // meant for the first card.
    const Press& first = m_lastPress.timestamp == event->timestamp() ? m_earlierPress : m_lastPress;
    m_isEndingDoubleClick = true;
    event->accept();
    if (first.card.isValid())
        Q_EMIT cardDoubleClicked(first.card);
}

void CardStripView::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_isEndingDoubleClick) {
        QAbstractItemView::mouseReleaseEvent(event);
        return;
    }
    // The release of a double click is no click of its own.
    m_isEndingDoubleClick = false;
    const QSignalBlocker quiet(this);
    QAbstractItemView::mouseReleaseEvent(event);
}

void CardStripView::mouseMoveEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    setHoveredRow(index.isValid() ? index.row() : -1);
    QAbstractItemView::mouseMoveEvent(event);
}

void CardStripView::leaveEvent(QEvent* event) {
    setHoveredRow(-1);
    QAbstractItemView::leaveEvent(event);
}

void CardStripView::resizeEvent(QResizeEvent* event) {
    QAbstractItemView::resizeEvent(event);
    Q_EMIT viewportResized(viewport()->size());
    updateGeometries();
}

} // namespace quillbox
