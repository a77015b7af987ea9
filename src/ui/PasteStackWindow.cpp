#include "ui/PasteStackWindow.h"

#include "ports/WindowHints.h"
#include "ui/PanelTheme.h"
#include "ui/PasteStackView.h"
#include "ui/RoundedHud.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace quillbox {

PasteStackWindow::PasteStackWindow(const PasteStackSetup& setup, WindowHints* hints,
                                   QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus)
    , m_hints(hints)
    , m_view(new PasteStackView(setup.manager, setup.accessibility, setup.stopKeys,
                                setup.pasteNextHint, this)) {
    setObjectName(u"pasteStackWindow"_s);
    setWindowTitle(u"Paste Stack"_s);
    setAccessibleName(u"Paste Stack"_s);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    // Rounded corners: see-through where a compositor blends them, cut out
    // by a window shape where none runs (they would show black).
    m_hud = std::make_unique<RoundedHud>(*this, cornerRadius, m_hints);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, PanelTheme::hudText);
    setPalette(palette);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setFixedSize(windowSize);
    // The window manager learns before the first map that this window is
    // never to be focused: told only afterwards, openbox has focused it.
    ensurePolished();
    if (m_hints)
        m_hints->markAsNonFocusable(winId());
}

PasteStackWindow::~PasteStackWindow() = default;

QRect PasteStackWindow::targetFrame(const QRect& available) {
    return QRect(QPoint(available.x() + available.width() - windowSize.width() - screenMargin,
                        available.y() + screenMargin),
                 windowSize);
}

void PasteStackWindow::show() {
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    // Without any screen the window keeps the place it had.
    if (screen)
        setGeometry(targetFrame(screen->availableGeometry()));
    if (m_hints)
        m_hints->prepareToShow(winId(), windowSize);
    QWidget::show();
    raise();
    // Window managers drop these states while a window is hidden.
    if (m_hints)
        m_hints->markAsFloatingPanel(winId());
}

void PasteStackWindow::hide() {
    m_dragOffset.reset();
    QWidget::hide();
}

void PasteStackWindow::paintEvent(QPaintEvent*) {
    m_hud->paint();
}

void PasteStackWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_hud->updateShape();
}

// Dragged by hand rather than by the window manager's move, which would
// focus the window on some desktops.
void PasteStackWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    QWidget::mousePressEvent(event);
}

void PasteStackWindow::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragOffset && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - *m_dragOffset);
    QWidget::mouseMoveEvent(event);
}

void PasteStackWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_dragOffset.reset();
    QWidget::mouseReleaseEvent(event);
}

} // namespace quillbox
