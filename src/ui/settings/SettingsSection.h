#pragma once

#include <QGroupBox>

namespace quillbox {

// A titled section of a settings page, drawn as the panel draws its parts:
// the title in the accent colour above a rounded card a shade lighter than
// the ground. The widget style still places the title and the contents, so
// the layout stays the style's own.
class SettingsSection : public QGroupBox {
    Q_OBJECT
public:
    static constexpr qreal cornerRadius = 10;

    explicit SettingsSection(const QString& title, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quillbox
