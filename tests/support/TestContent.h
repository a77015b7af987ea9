#pragma once

#include "content/ParsedClipboardContent.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <optional>

namespace quillbox::testing {

// Clipboard content as capture hands it to the store, one kind per helper.
ParsedClipboardContent parsedContent(const QByteArray& content, const QString& type,
                                     ContentCategory category,
                                     std::optional<QString> plainText = std::nullopt);
// Plain text as the clipboard parser produces it.
ParsedClipboardContent textContent(const QString& text);
ParsedClipboardContent imageContent(const QByteArray& bytes,
                                    std::optional<QString> dimensions = std::nullopt);
ParsedClipboardContent urlContent(const QString& url, std::optional<QString> title = std::nullopt);
ParsedClipboardContent fileContent(const QStringList& paths);
ParsedClipboardContent colorContent(const QString& hex);

// The image in the given format ("PNG", "JPEG", "TIFF", ...); quality -1 is
// the format's default.
QByteArray encodedImage(const QImage& image, const char* format, int quality = -1);

// Plain text of at least `bytes` bytes: numbered lines with one non-ASCII
// character each, as a large copy from an editor would be.
QByteArray largeText(qsizetype bytes);

// The text in UTF-16, little-endian, without a byte order mark.
QByteArray utf16le(const QString& text);

// A PNG of one colour.
QByteArray solidPng(QColor color, QSize size = QSize(64, 48));

// An image of the given size with a gradient, so encoders have real work, and
// a green marker in the top-left corner that shows which way up it is.
QImage gradientImage(int width, int height);

// A JPEG whose EXIF orientation says how to display it (6: rotate 90°
// clockwise): the stored pixels are width x height.
QByteArray jpegWithOrientation(int width, int height, quint16 orientation);

// A grey progressive JPEG (width and height multiples of 8) whose DC scan is
// followed by `scans` AC scans that carry nothing: small, valid enough for
// decoders, and costly to decode since each scan is a pass over the image.
QByteArray progressiveJpegWithEmptyScans(int width, int height, int scans);

// A whole file written, its folders made first (false when it could not be),
// or read (empty when it can't be).
bool writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

} // namespace quillbox::testing
