#include "ui/ChipsScrollArea.h"

#include "ui/PanelTheme.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

namespace quillbox {

namespace {
// One notch of a mouse wheel moves the row by about one chip.
constexpr int pixelsPerNotch = 48;
} // namespace

// The panel's background fading in over one end of the row.
class ChipsScrollArea::EdgeFade : public QWidget {
public:
    EdgeFade(bool isStart, QWidget* parent)
        : QWidget(parent)
        , m_isStart(isStart) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QLinearGradient gradient(rect().topLeft(), rect().topRight());
        const QColor solid = PanelTheme::hud;
        const QColor clear = PanelTheme::withAlpha(PanelTheme::hud, 0);
        gradient.setColorAt(0, m_isStart ? solid : clear);
        gradient.setColorAt(1, m_isStart ? clear : solid);
        painter.fillRect(rect(), gradient);
    }

private:
    bool m_isStart;
};

ChipsScrollArea::ChipsScrollArea(QWidget* parent)
    : QScrollArea(parent)
    , m_startFade(new EdgeFade(true, this))
    , m_endFade(new EdgeFade(false, this)) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The row shows the panel behind it.
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    QScrollBar* bar = horizontalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, &ChipsScrollArea::updateFades);
    connect(bar, &QScrollBar::rangeChanged, this, &ChipsScrollArea::updateFades);
    updateFades();
}

void ChipsScrollArea::setRow(QWidget* row) {
    setWidget(row);
    row->setAutoFillBackground(false);
    setFixedHeight(row->sizeHint().height());
    // Too narrow for its chips, the row keeps their width and scrolls.
    row->setMinimumWidth(row->sizeHint().width());
    for (QAbstractButton* chip : row->findChildren<QAbstractButton*>()) {
        chip->installEventFilter(this);
        connect(chip, &QAbstractButton::clicked, this,
                [this, chip] { ensureWidgetVisible(chip, fadeWidth, 0); });
    }
    m_startFade->raise();
    m_endFade->raise();
}

bool ChipsScrollArea::isStartHidden() const {
    const QScrollBar* bar = horizontalScrollBar();
    return bar->value() > bar->minimum();
}

bool ChipsScrollArea::isEndHidden() const {
    const QScrollBar* bar = horizontalScrollBar();
    return bar->value() < bar->maximum();
}

void ChipsScrollArea::wheelEvent(QWheelEvent* event) {
    const QPoint pixels = event->pixelDelta();
    const QPoint angle = event->angleDelta();
    int delta = 0;
    if (!pixels.isNull())
        delta = pixels.x() != 0 ? pixels.x() : pixels.y();
    else
        delta = (angle.x() != 0 ? angle.x() : angle.y()) * pixelsPerNotch / 120;
    QScrollBar* bar = horizontalScrollBar();
    if (bar->maximum() == bar->minimum()) {
        event->ignore();
        return;
    }
    bar->setValue(bar->value() - delta);
    event->accept();
}

void ChipsScrollArea::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    updateFades();
}

bool ChipsScrollArea::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && watched->isWidgetType())
        ensureWidgetVisible(static_cast<QWidget*>(watched), fadeWidth, 0);
    return QScrollArea::eventFilter(watched, event);
}

void ChipsScrollArea::updateFades() {
    const QRect area = viewport()->geometry();
    const int width = std::min(fadeWidth, area.width() / 3);
    m_startFade->setGeometry(area.left(), area.top(), width, area.height());
    m_endFade->setGeometry(area.right() + 1 - width, area.top(), width, area.height());
    m_startFade->setVisible(isStartHidden());
    m_endFade->setVisible(isEndHidden());
}

} // namespace quillbox
