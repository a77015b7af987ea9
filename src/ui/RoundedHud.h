#pragma once

#include <QtGlobal>

class QWidget;

namespace quillbox {

class WindowHints;

// The rounded dark background of Quillbox's floating windows. Where a
// compositor blends translucent pixels the corners are see-through; where
// none runs (bare X servers) they would show black, so a window shape cuts
// them off instead.
class RoundedHud {
public:
    // Sets the window up for it; `hints` may be null (no compositor).
    RoundedHud(QWidget& window, qreal cornerRadius, const WindowHints* hints);

    bool isTranslucent() const { return m_isTranslucent; }
    // From the window's paintEvent.
    void paint() const;
    // From the window's resizeEvent.
    void updateShape() const;

private:
    QWidget& m_window;
    qreal m_radius;
    bool m_isTranslucent;
};

} // namespace quillbox
