#pragma once

#include <QColor>
#include <QString>

class QLabel;
class QWidget;

namespace quillbox::SettingsStyle {

// Space between a page's sections, and inside a section around its rows.
inline constexpr int sectionSpacing = 14;
inline constexpr int pageMargin = 16;

// Dresses the settings window like the panel: its dark warm ground, light
// text and accent. Set on the window; its pages and controls inherit it.
void applyTheme(QWidget& window);
// The tabs as the panel's chips, the selected one tinted with the accent.
// For the tab bar alone: it has no controls below it to cut off.
QString tabBarStyleSheet();
// Red text on a red tint, for a message label (which has no children).
QString errorStyleSheet();

// Text of lower rank (captions), and the colours of the error and warning rows,
// each readable on the window's ground.
QColor secondaryText();
QColor errorText();
QColor warningOrange();
QColor grantedGreen();

// Secondary text in caption size, as under a control.
QLabel* caption(const QString& text, const QString& objectName, QWidget* parent = nullptr);
// A page's title in headline style.
QLabel* headline(const QString& text, const QString& objectName, QWidget* parent = nullptr);

} // namespace quillbox::SettingsStyle
