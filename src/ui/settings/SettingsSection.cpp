#include "ui/settings/SettingsSection.h"

#include "ui/PanelTheme.h"

#include <QPainter>
#include <QStyleOptionGroupBox>

namespace quillbox {

SettingsSection::SettingsSection(const QString& title, QWidget* parent)
    : QGroupBox(title, parent) {
}

void SettingsSection::paintEvent(QPaintEvent*) {
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    const QRect frame =
        style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, this);
    const QRect label =
        style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The card starts below the title, whichever way the style draws titles.
    QRectF card = QRectF(frame).adjusted(0.5, 0.5, -0.5, -0.5);
    card.setTop(std::max(card.top(), qreal(label.bottom()) + 4.5));
    painter.setPen(QPen(PanelTheme::rgb(1, 1, 1, 0.09), 1));
    painter.setBrush(PanelTheme::rgb(1, 1, 1, 0.05));
    painter.drawRoundedRect(card, cornerRadius, cornerRadius);
    // Bold here only: a bold font on the box would pass on to its controls.
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(PanelTheme::marigoldText);
    painter.drawText(QRect(label.left(), label.top(), width() - label.left(), label.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, title());
}

} // namespace quillbox
