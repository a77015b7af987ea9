#pragma once

#include <QColor>
#include <QString>

namespace quillbox {

// "#RRGGBB" in upper case for a colour, converted to sRGB first; each
// component is rounded half away from zero and clamped. Alpha is ignored, so a
// clear colour gives "#000000".
QString hexString(const QColor& color);

// The opaque sRGB colour of hexadecimal colour text: "#" removed from both
// ends, then a hexadecimal number read from the start (an optional "0x",
// reading stops at the first non-digit; none read is 0), whose bits 16-23,
// 8-15 and 0-7 are red, green and blue. So "#" is optional, a three-digit
// text is a plain number (not shorthand) and text without digits is black.
QColor colorFromHex(const QString& text);

} // namespace quillbox
