#include "ui/settings/SettingsStyle.h"

#include "ui/PanelTheme.h"

#include <QLabel>
#include <QPalette>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace quillbox::SettingsStyle {

namespace {
// Captions are this much smaller than the body text.
constexpr qreal captionScale = 0.85;
constexpr qreal headlineScale = 1.15;

// Surfaces a step lighter than the ground: fields, lists, buttons.
const QColor fieldGround = PanelTheme::rgb(0.27, 0.227, 0.161);
const QColor buttonGround = PanelTheme::rgb(0.3, 0.255, 0.184);

QString css(const QColor& color) {
    return u"rgba(%1, %2, %3, %4)"_s.arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alphaF(), 0, 'f', 3);
}

QPalette darkPalette() {
    QPalette palette;
    const QColor text = PanelTheme::hudText;
    palette.setColor(QPalette::Window, PanelTheme::hud);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, fieldGround);
    palette.setColor(QPalette::AlternateBase, PanelTheme::rgb(0.243, 0.204, 0.141));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, buttonGround);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, PanelTheme::marigoldText);
    palette.setColor(QPalette::Highlight, PanelTheme::marigold);
    palette.setColor(QPalette::HighlightedText, PanelTheme::cardText);
    palette.setColor(QPalette::PlaceholderText, secondaryText());
    palette.setColor(QPalette::Link, PanelTheme::marigoldText);
    palette.setColor(QPalette::ToolTipBase, fieldGround);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Light, buttonGround.lighter(130));
    palette.setColor(QPalette::Midlight, buttonGround.lighter(115));
    palette.setColor(QPalette::Mid, PanelTheme::hud.darker(120));
    palette.setColor(QPalette::Dark, PanelTheme::hud.darker(150));
    palette.setColor(QPalette::Shadow, PanelTheme::hud.darker(250));
    const QColor disabled = PanelTheme::withAlpha(text, 0.35);
    for (const auto role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::PlaceholderText})
        palette.setColor(QPalette::Disabled, role, disabled);
    return palette;
}

} // namespace

QColor secondaryText() {
    return PanelTheme::withAlpha(PanelTheme::hudText, 0.7);
}

QColor errorText() {
    return PanelTheme::rgb(1.0, 0.45, 0.42);
}

QColor warningOrange() {
    return PanelTheme::rgb(1.0, 0.624, 0.039);
}

QColor grantedGreen() {
    return PanelTheme::rgb(0.39, 0.82, 0.45);
}

void applyTheme(QWidget& window) {
    // Through the palette, which every page and control inherits; a style
    // sheet here would stop that inheritance for everything below it.
    window.setPalette(darkPalette());
    window.setAutoFillBackground(true);
}

QString tabBarStyleSheet() {
    return uR"(
        QTabBar::tab {
            background: transparent; color: %1; border: none; border-radius: 8px;
            padding: 6px 12px; margin: 0 2px 8px 2px;
        }
        QTabBar::tab:hover:!selected { background: %2; }
        QTabBar::tab:selected { background: %3; color: %4; }
    )"_s.arg(css(secondaryText()), css(PanelTheme::chip), css(PanelTheme::chipSelected),
             css(PanelTheme::marigoldText));
}

QString errorStyleSheet() {
    return u"color: %1; background: %2; border-radius: 6px; padding: 5px 8px;"_s.arg(
        css(errorText()), css(PanelTheme::withAlpha(errorText(), 0.14)));
}

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
