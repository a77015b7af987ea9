#include "TestContent.h"

#include "content/Hash.h"
#include "content/PasteboardTypes.h"

#include <QBuffer>
#include <QImageWriter>

namespace quillbox::testing {

ParsedClipboardContent textContent(const QString& text) {
    ParsedClipboardContent parsed;
    parsed.content = text.toUtf8();
    parsed.plainText = text;
    parsed.contentType = PasteboardType::string;
    parsed.category = ContentCategory::text;
    parsed.contentHash = sha256Hash(parsed.content);
    parsed.characterCount = text.size();
    return parsed;
}

QByteArray encodedImage(const QImage& image, const char* format, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

} // namespace quillbox::testing
