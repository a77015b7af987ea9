#include "ui/CardStripView.h"

#include <QScrollBar>
#include <QVariantAnimation>
#include <QWheelEvent>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace quillbox {

namespace {
constexpr auto centreAnimationDuration = 150ms;
} // namespace

CardStripView::CardStripView(QWidget* parent)
    : QListView(parent)
    , m_scrollAnimation(new QVariantAnimation(this)) {
    setObjectName(u"cardStrip"_s);
    setFlow(QListView::LeftToRight);
    setWrapping(false);
    setUniformItemSizes(true);
    setLayoutMode(QListView::SinglePass);
    setMovement(QListView::Static);
    setSpacing(cardSpacing / 2);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    // The search field keeps the keyboard; the strip is driven by the panel's keys.
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_Hover);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    setContextMenuPolicy(Qt::CustomContextMenu);

    m_scrollAnimation->setDuration(int(centreAnimationDuration.count()));
    m_scrollAnimation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_scrollAnimation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { horizontalScrollBar()->setValue(value.toInt()); });
}

void CardStripView::centreOnRow(int row, bool animated) {
    if (!model() || row < 0 || row >= model()->rowCount())
        return;
    const QRect card = visualRect(model()->index(row, 0));
    QScrollBar* bar = horizontalScrollBar();
    const int target = std::clamp(bar->value() + card.center().x() - viewport()->width() / 2,
                                  bar->minimum(), bar->maximum());
    m_scrollAnimation->stop();
    if (!animated || !isVisible() || target == bar->value()) {
        bar->setValue(target);
        return;
    }
    m_scrollAnimation->setStartValue(bar->value());
    m_scrollAnimation->setEndValue(target);
    m_scrollAnimation->start();
}

void CardStripView::wheelEvent(QWheelEvent* event) {
    // A mouse wheel turns vertically; the strip runs sideways.
    const QPoint pixels = event->pixelDelta();
    const QPoint angle = event->angleDelta();
    const int delta = !pixels.isNull() ? (pixels.x() != 0 ? pixels.x() : pixels.y())
                                       : (angle.x() != 0 ? angle.x() : angle.y());
    m_scrollAnimation->stop();
    QScrollBar* bar = horizontalScrollBar();
    bar->setValue(bar->value() - (pixels.isNull() ? delta : delta));
    event->accept();
}

} // namespace quillbox
