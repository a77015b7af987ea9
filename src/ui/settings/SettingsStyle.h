#pragma once

class QLabel;
class QString;
class QWidget;

namespace quillbox::SettingsStyle {

// Secondary text in caption size, as under a control.
QLabel* caption(const QString& text, const QString& objectName, QWidget* parent = nullptr);
// A page's title in headline style.
QLabel* headline(const QString& text, const QString& objectName, QWidget* parent = nullptr);

} // namespace quillbox::SettingsStyle
