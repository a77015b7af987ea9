#pragma once

#include "content/ParsedClipboardContent.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace quillbox::testing {

// Plain text as the clipboard parser produces it.
ParsedClipboardContent textContent(const QString& text);

// The image in the given format ("PNG", "JPEG", ...); quality -1 is the
// format's default.
QByteArray encodedImage(const QImage& image, const char* format, int quality = -1);

} // namespace quillbox::testing
