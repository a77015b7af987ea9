#pragma once

#include <QString>

namespace quillbox {

// The number of user-perceived characters (extended grapheme clusters): an
// accented letter written with a combining mark, or a family emoji, is one.
qint64 characterCount(const QString& text);

} // namespace quillbox
