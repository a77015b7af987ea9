#include "content/ColorHex.h"

#include <algorithm>
#include <cmath>

namespace quillbox {

namespace {

int channel(double component) {
    return std::clamp(static_cast<int>(std::round(component * 255.0)), 0, 255);
}

} // namespace

QString hexString(const QColor& color) {
    const QColor rgb = color.toRgb();
    return QStringLiteral("#%1%2%3")
        .arg(channel(rgb.redF()), 2, 16, QLatin1Char('0'))
        .arg(channel(rgb.greenF()), 2, 16, QLatin1Char('0'))
        .arg(channel(rgb.blueF()), 2, 16, QLatin1Char('0'))
        .toUpper();
}

} // namespace quillbox
