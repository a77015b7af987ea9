#include "ui/CapsuleButton.h"

#include <QFontMetrics>
#include <QPainter>

namespace quillbox {

namespace {
constexpr int horizontalPadding = 11;
constexpr int verticalPadding = 4;
constexpr int dotSize = 7;
constexpr int dotSpacing = 5;
constexpr int titlePixelSize = 12;
} // namespace

CapsuleButton::CapsuleButton(const QString& title, Style style, QWidget* parent)
    : QAbstractButton(parent)
    , m_style(std::move(style)) {
    setText(title);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    QFont font = this->font();
    font.setPixelSize(titlePixelSize);
    font.setBold(true);
    setFont(font);
    setAccessibleName(title);
}

void CapsuleButton::setSelected(bool selected) {
    if (m_isSelected == selected)
        return;
    m_isSelected = selected;
    update();
}

QSize CapsuleButton::sizeHint() const {
    const QFontMetrics metrics(font());
    int width = metrics.horizontalAdvance(text()) + 2 * horizontalPadding;
    if (m_style.dot)
        width += dotSize + dotSpacing;
    return {width, metrics.height() + 2 * verticalPadding};
}

void CapsuleButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QColor fill = m_isSelected  ? m_style.selectedFill
                        : m_isHovered ? m_style.hoverFill
                                      : m_style.fill;
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(box, box.height() / 2, box.height() / 2);

    qreal x = horizontalPadding;
    if (m_style.dot) {
        painter.setBrush(*m_style.dot);
        painter.drawEllipse(QRectF(x, (height() - dotSize) / 2.0, dotSize, dotSize));
        x += dotSize + dotSpacing;
    }
    painter.setPen(m_isSelected ? m_style.selectedText : m_style.text);
    painter.setFont(font());
    painter.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}

void CapsuleButton::enterEvent(QEnterEvent* event) {
    m_isHovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CapsuleButton::leaveEvent(QEvent* event) {
    m_isHovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace quillbox
