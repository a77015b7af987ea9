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

QByteArray progressiveJpegWithEmptyScans(int width, int height, int scans) {
    const auto segment = [](quint8 marker, const QByteArray& body) {
        QByteArray bytes;
        bytes.append(char(0xFF)).append(char(marker));
        bytes.append(char((body.size() + 2) >> 8)).append(char((body.size() + 2) & 0xFF));
        return bytes + body;
    };
    // Each block's scan data is one bit: the only Huffman code, "0", which
    // means "DC difference 0" in the DC table and "end of block" in the AC one.
    const int blocks = (width / 8) * (height / 8);
    const QByteArray scanData((blocks + 7) / 8, 0);
    QByteArray huffmanOneCode(16, 0);
    huffmanOneCode[0] = 1;          // one code of length 1
    huffmanOneCode.append(char(0)); // for symbol 0
    QByteArray jpeg("\xFF\xD8", 2);
    jpeg += segment(0xDB, QByteArray(1, 0) + QByteArray(64, 1));
    jpeg += segment(0xC2, QByteArray("\x08", 1) + char(height >> 8) + char(height & 0xFF) +
                              char(width >> 8) + char(width & 0xFF) +
                              QByteArray("\x01\x01\x11\x00", 4));
    jpeg += segment(0xC4, QByteArray(1, 0x00) + huffmanOneCode);
    jpeg += segment(0xC4, QByteArray(1, 0x10) + huffmanOneCode);
    jpeg += segment(0xDA, QByteArray("\x01\x01\x00\x00\x00\x00", 6)) + scanData;
    for (int scan = 0; scan < scans; ++scan)
        jpeg += segment(0xDA, QByteArray("\x01\x01\x00\x01\x3F\x00", 6)) + scanData;
    return jpeg + QByteArray("\xFF\xD9", 2);
}

QByteArray utf16le(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

QByteArray largeText(qsizetype bytes) {
    QByteArray text;
    text.reserve(bytes + 128);
    for (qint64 i = 0; text.size() < bytes; ++i)
        text += QByteArray::number(i) +
                " the clipboard history keeps what was copied, caf\xc3\xa9 and all\n";
    return text;
}

} // namespace quillbox::testing
