#pragma once

#include <QColor>

namespace quillbox::PanelTheme {

// The panel's fixed palette, sRGB. The panel is dark; its cards are light.
inline QColor rgb(double r, double g, double b, double alpha = 1.0) {
    return QColor::fromRgbF(float(r), float(g), float(b), float(alpha));
}
inline QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(float(alpha));
    return color;
}

inline const QColor marigold = rgb(1.0, 0.784, 0.239);
inline const QColor marigoldText = rgb(1.0, 0.843, 0.416);
inline const QColor hud = rgb(0.216, 0.18, 0.122);
inline const QColor hudText = rgb(0.965, 0.933, 0.839);
inline const QColor hudSoft = withAlpha(hudText, 0.55);
inline const QColor field = rgb(1, 1, 1, 0.08);
inline const QColor chip = rgb(1, 1, 1, 0.07);
inline const QColor chipSelected = withAlpha(marigold, 0.22);
inline const QColor rule = rgb(1, 1, 1, 0.1);
inline const QColor card = rgb(1.0, 0.98, 0.922, 0.95);
inline const QColor cardText = rgb(0.118, 0.118, 0.118);
inline const QColor cardRule = rgb(0, 0, 0, 0.1);
inline const QColor linkBlue = rgb(0.169, 0.424, 0.69);

} // namespace quillbox::PanelTheme
