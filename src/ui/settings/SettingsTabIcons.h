#pragma once

#include <QColor>
#include <QIcon>
#include <QRectF>

class QPainter;

namespace quillbox {

// The monochrome symbols of the settings window's tabs (a gear, a keyboard,
// a checklist, a pin, an "i" in a circle), drawn here in one line weight so
// they match each other with any icon theme or none.
class SettingsTabIcons {
public:
    enum class Tab { general, shortcuts, rules, pinboards, about };

    // The symbol in `color`, and in `selectedColor` on the selected tab.
    static QIcon icon(Tab tab, const QColor& color, const QColor& selectedColor);
    // Draws the symbol, as large as fits, centred in `box`.
    static void draw(QPainter& painter, Tab tab, const QRectF& box, const QColor& color);
};

} // namespace quillbox
