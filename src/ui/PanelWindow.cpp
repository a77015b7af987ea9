#include "ui/PanelWindow.h"

#include "content/AppConstants.h"
#include "content/Preferences.h"
#include "ports/WindowHints.h"
#include "ui/PanelTheme.h"
#include "ui/RoundedHud.h"
#include "ui/WindowResizeGrips.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <utility>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace quillbox {

namespace {

constexpr auto showDuration = 180ms;
constexpr auto hideDuration = 150ms;
constexpr double showStartScale = 0.96;
constexpr double hideEndScale = 0.97;
constexpr auto focusReturnGrace = 300ms;

// The frame scaled about its centre.
QRect scaled(const QRect& frame, double scale) {
    const double dx = frame.width() * (1 - scale) / 2;
    const double dy = frame.height() * (1 - scale) / 2;
    return QRectF(frame).adjusted(dx, dy, -dx, -dy).toRect();
}

QRect interpolate(const QRect& from, const QRect& to, qreal t) {
    const auto mix = [t](int a, int b) { return int(std::lround(a + (b - a) * t)); };
    return QRect(QPoint(mix(from.left(), to.left()), mix(from.top(), to.top())),
                 QSize(mix(from.width(), to.width()), mix(from.height(), to.height())));
}

double storedDimension(const Preferences& preferences, const QString& key) {
    const QVariant value = preferences.value(key);
    bool ok = false;
    const double number = value.toDouble(&ok);
    return ok && number > 0 ? number : 0;
}

} // namespace

PanelWindow::PanelWindow(QWidget* content, Preferences& preferences, WindowHints* hints,
                         QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_preferences(preferences)
    , m_hints(hints)
    , m_animation(new QVariantAnimation(this)) {
    setObjectName(u"panelWindow"_s);
    setWindowTitle(u"Quillbox"_s);
    setAccessibleName(u"Clipboard history"_s);
    setMinimumSize(minimumPanelSize);
    setMaximumHeight(maximumHeight);
    // Rounded corners: see-through where a compositor blends them, cut out
    // by a window shape where none runs (they would show black).
    m_hud = std::make_unique<RoundedHud>(*this, cornerRadius, m_hints);
    // Frameless, so the edges and corners are made grips of their own.
    m_grips = new WindowResizeGrips(*this, cornerRadius, this);
    connect(m_grips, &WindowResizeGrips::windowManagerResizeEnded, this, [this] {
        if (!std::exchange(m_isFocusLent, false))
            return;
        // The focus comes back as the window manager lets go of the
        // keyboard; if it went to another window instead, the panel closes.
        QTimer::singleShot(focusReturnGrace, this, [this] {
            // Another resize may have taken the focus again meanwhile.
            if (m_isShowing && !isActiveWindow() && !m_grips->isWindowManagerResizing() &&
                onResignKey)
                onResignKey();
        });
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    content->setParent(this);
    layout->addWidget(content);
    resize(defaultSize);
    // The native window and the styles are made now, not at the first show:
    // the panel's first frame after the hot key is as quick as the later ones.
    ensurePolished();
    winId();

    m_animation->setStartValue(0.0);
    m_animation->setEndValue(1.0);
}

PanelWindow::~PanelWindow() = default;

QSize PanelWindow::savedSize(const Preferences& preferences, const QRect& available) {
    double width = storedDimension(preferences, AppConstants::Keys::panelWidth);
    double height = storedDimension(preferences, AppConstants::Keys::panelHeight);
    width = width > 0 ? width : defaultSize.width();
    height = height > 0 ? height : defaultSize.height();
    // The margin wins over the minimum on a screen too small for both.
    width = std::min(std::max(width, double(minimumPanelSize.width())),
                     double(available.width() - 2 * screenMargin));
    height =
        std::min(std::max(height, double(minimumPanelSize.height())),
                 std::min(double(maximumHeight), double(available.height() - 2 * screenMargin)));
    return QSize(int(std::lround(width)), int(std::lround(height)));
}

QRect PanelWindow::targetFrame(const Preferences& preferences, const QRect& available) {
    const QSize size = savedSize(preferences, available);
    const QPointF centre = QRectF(available).center();
    return QRect(QPoint(int(std::lround(centre.x() - size.width() / 2.0)),
                        int(std::lround(centre.y() - size.height() / 2.0))),
                 size);
}

QScreen* PanelWindow::targetScreen() const {
    if (QScreen* screen = QGuiApplication::screenAt(QCursor::pos()))
        return screen;
    return QGuiApplication::primaryScreen();
}

void PanelWindow::showPanel() {
    QScreen* screen = targetScreen();
    if (!screen)
        return;
    m_isShowing = true;
    const QRect target = targetFrame(m_preferences, screen->availableGeometry());
    // A screen smaller than the minimum plus margins: the margin wins.
    setMinimumSize(minimumPanelSize.boundedTo(target.size()));
    const QRect start = scaled(target, showStartScale);
    m_animation->stop();
    setWindowOpacity(0.0);
    setGeometry(start);
    if (m_hints)
        m_hints->prepareToShow(winId(), target.size());
    show();
    raise();
    activateWindow();
    if (m_hints)
        m_hints->markAsFloatingPanel(winId());
    animate(start, target, 0.0, 1.0, int(showDuration.count()), true);
}

void PanelWindow::hidePanel() {
    if (!m_isShowing)
        return;
    m_isShowing = false;
    const QRect frame = geometry();
    m_preferences.setValue(AppConstants::Keys::panelHeight, double(frame.height()));
    m_preferences.setValue(AppConstants::Keys::panelWidth, double(frame.width()));
    animate(frame, scaled(frame, hideEndScale), windowOpacity(), 0.0, int(hideDuration.count()),
            false);
}

bool PanelWindow::isAnimating() const {
    return m_animation->state() == QAbstractAnimation::Running;
}

void PanelWindow::animate(const QRect& from, const QRect& to, qreal fromOpacity, qreal toOpacity,
                          int durationMs, bool easeOut) {
    m_animation->stop();
    m_animation->disconnect(this);
    m_animation->setDuration(durationMs);
    m_animation->setEasingCurve(easeOut ? QEasingCurve::OutCubic : QEasingCurve::InCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this,
            [this, from, to, fromOpacity, toOpacity](const QVariant& value) {
                const qreal t = value.toReal();
                setGeometry(interpolate(from, to, t));
                setWindowOpacity(fromOpacity + (toOpacity - fromOpacity) * t);
            });
    connect(m_animation, &QVariantAnimation::finished, this, [this, to, toOpacity] {
        setGeometry(to);
        setWindowOpacity(toOpacity);
        // A show during the fade-out keeps the window.
        if (!m_isShowing && toOpacity == 0.0) {
            hide();
            Q_EMIT panelHidden();
        }
    });
    m_animation->start();
}

bool PanelWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate && m_isShowing && onResignKey) {
        // While the window manager resizes the panel it holds the keyboard:
        // the focus is only lent.
        if (m_grips->isWindowManagerResizing())
            m_isFocusLent = true;
        else
            onResignKey();
    }
    return QWidget::event(event);
}

void PanelWindow::paintEvent(QPaintEvent*) {
    m_hud->paint();
}

void PanelWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_hud->updateShape();
}

} // namespace quillbox
