#pragma once

#include <QProxyStyle>

class QAction;
class QMenu;

namespace quillbox {

class WindowHints;

// The look of the menus that open over the panel: its dark rounded ground,
// its light text, the accent behind the entry under the pointer, and
// destructive entries (those that delete) in red. Painted the same under
// any widget style or icon theme.
class PanelMenuStyle : public QProxyStyle {
    Q_OBJECT
public:
    static constexpr qreal cornerRadius = 10;

    // Styles the menu and its submenus; the style goes with the menu.
    // `hints` may be null (no compositor: the corners are cut by a shape).
    static void apply(QMenu& menu, const WindowHints* hints);

    static void setDestructive(QAction& action);
    static bool isDestructive(const QAction& action);
    // The red of destructive entries, readable on the dark ground.
    static QColor destructiveColor();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PanelMenuStyle(bool isTranslucent, QObject* owner);
    void style(QMenu& menu);

    bool m_isTranslucent;
};

} // namespace quillbox
