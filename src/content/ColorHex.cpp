#include "content/ColorHex.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillbox {

namespace {

int channel(double component) {
    return std::clamp(static_cast<int>(std::round(component * 255.0)), 0, 255);
}

int hexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
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

QColor colorFromHex(const QString& text) {
    QStringView rest(text);
    while (rest.startsWith(u'#'))
        rest = rest.mid(1);
    while (rest.endsWith(u'#'))
        rest.chop(1);
    // Like a scanner, skip white space before the number.
    while (!rest.isEmpty() && rest.front().isSpace())
        rest = rest.mid(1);
    if (rest.startsWith(u"0x", Qt::CaseInsensitive))
        rest = rest.mid(2);
    quint64 number = 0;
    for (const QChar c : rest) {
        const int digit = hexDigit(c.unicode());
        if (digit < 0)
            break;
        // An overlong number saturates, as a scanner reading into 64 bits does.
        if (number > (std::numeric_limits<quint64>::max() >> 4)) {
            number = std::numeric_limits<quint64>::max();
            continue;
        }
        number = (number << 4) | quint64(digit);
    }
    return QColor::fromRgb(int((number >> 16) & 0xFF), int((number >> 8) & 0xFF),
                           int(number & 0xFF));
}

} // namespace quillbox
