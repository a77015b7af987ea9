#include "ui/settings/SettingsStyle.h"

#include <QLabel>

namespace quillbox::SettingsStyle {

namespace {
// Captions are this much smaller than the body text.
constexpr qreal captionScale = 0.85;
constexpr qreal headlineScale = 1.15;
} // namespace

QLabel* caption(const QString& text, const QString& objectName, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * captionScale);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QLabel* headline(const QString& text, const QString& objectName, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * headlineScale);
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace quillbox::SettingsStyle
