#include "TestContent.h"

#include "content/Hash.h"
#include "content/PasteboardTypes.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>

namespace quillbox::testing {

ParsedClipboardContent parsedContent(const QByteArray& content, const QString& type,
                                     ContentCategory category, std::optional<QString> plainText) {
    ParsedClipboardContent parsed;
    parsed.content = content;
    parsed.contentType = type;
    parsed.category = category;
    parsed.plainText = std::move(plainText);
    parsed.contentHash = sha256Hash(content);
    return parsed;
}

ParsedClipboardContent textContent(const QString& text) {
    auto parsed = parsedContent(text.toUtf8(), PasteboardType::string, ContentCategory::text, text);
    parsed.characterCount = text.size();
    return parsed;
}

ParsedClipboardContent imageContent(const QByteArray& bytes, std::optional<QString> dimensions) {
    auto parsed = parsedContent(bytes, PasteboardType::png, ContentCategory::image);
    parsed.imageDimensions = std::move(dimensions);
    return parsed;
}

ParsedClipboardContent urlContent(const QString& url, std::optional<QString> title) {
    auto parsed = parsedContent(url.toUtf8(), PasteboardType::url, ContentCategory::url, url);
    parsed.urlString = url;
    parsed.title = std::move(title);
    return parsed;
}

ParsedClipboardContent fileContent(const QStringList& paths) {
    auto parsed =
        parsedContent(paths.join(u'\n').toUtf8(), PasteboardType::fileURL, ContentCategory::file);
    parsed.filePath = paths.join(u'\n');
    return parsed;
}

ParsedClipboardContent colorContent(const QString& hex) {
    auto parsed = parsedContent(hex.toUtf8(), PasteboardType::color, ContentCategory::color, hex);
    parsed.colorHex = hex;
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

QByteArray solidPng(QColor color, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return encodedImage(image, "PNG");
}

QImage gradientImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, Qt::darkBlue);
    gradient.setColorAt(0.5, Qt::yellow);
    gradient.setColorAt(1, Qt::darkRed);
    painter.fillRect(image.rect(), gradient);
    painter.fillRect(0, 0, width / 4, height / 4, Qt::green);
    return image;
}

QByteArray jpegWithOrientation(int width, int height, quint16 orientation) {
    QByteArray jpeg = encodedImage(gradientImage(width, height), "JPEG", 85);
    // APP1 "Exif" segment (length 34) with a big-endian TIFF header and one IFD
    // entry: tag 0x0112 (Orientation), type SHORT, count 1, then no next IFD.
    QByteArray exif = QByteArray::fromHex("FFE10022457869660000"
                                          "4D4D002A00000008"
                                          "000101120003000000010000000000000000");
    exif[28] = static_cast<char>(orientation >> 8);
    exif[29] = static_cast<char>(orientation & 0xFF);
    jpeg.insert(2, exif);
    return jpeg;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace quillbox::testing
