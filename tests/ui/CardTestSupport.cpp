#include "CardTestSupport.h"

#include "TestContent.h"
#include "content/Hash.h"

#include <cstdlib>

namespace quillbox::testing {

namespace {

ParsedClipboardContent content(QByteArray bytes, ContentCategory category, QString type) {
    ParsedClipboardContent parsed;
    parsed.content = std::move(bytes);
    parsed.category = category;
    parsed.contentType = std::move(type);
    parsed.contentHash = sha256Hash(parsed.content);
    return parsed;
}

} // namespace

ParsedClipboardContent imageContent(const QByteArray& bytes, std::optional<QString> dimensions) {
    auto parsed = content(bytes, ContentCategory::image, QStringLiteral("public.png"));
    parsed.imageDimensions = std::move(dimensions);
    return parsed;
}

ParsedClipboardContent urlContent(const QString& url, std::optional<QString> title) {
    auto parsed = content(url.toUtf8(), ContentCategory::url, QStringLiteral("public.url"));
    parsed.plainText = url;
    parsed.urlString = url;
    parsed.title = std::move(title);
    return parsed;
}

ParsedClipboardContent fileContent(const QStringList& paths) {
    auto parsed = content(paths.join(u'\n').toUtf8(), ContentCategory::file,
                          QStringLiteral("public.file-url"));
    parsed.filePath = paths.join(u'\n');
    return parsed;
}

ParsedClipboardContent colorContent(const QString& hex) {
    auto parsed = content(hex.toUtf8(), ContentCategory::color,
                          QStringLiteral("com.apple.cocoa.pasteboard.color"));
    parsed.plainText = hex;
    parsed.colorHex = hex;
    return parsed;
}

QByteArray solidPng(QColor color, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return encodedImage(image, "PNG");
}

bool isNear(QColor actual, QColor expected, int tolerance) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

} // namespace quillbox::testing
