#pragma once

#include <QColor>
#include <QString>

namespace quillbox {

// "#RRGGBB" in upper case for a colour, converted to sRGB first; each
// component is rounded half away from zero and clamped. Alpha is ignored, so a
// clear colour gives "#000000".
QString hexString(const QColor& color);

} // namespace quillbox
