#pragma once

#include <QByteArray>
#include <QColor>
#include <QSet>
#include <QString>
#include <optional>

namespace quillbox {

// The type identifiers stored in `contentType` and used above the pasteboard
// seam, whatever the platform's own format names are.
namespace PasteboardType {
inline const QString string = QStringLiteral("public.utf8-plain-text");
inline const QString rtf = QStringLiteral("public.rtf");
inline const QString rtfd = QStringLiteral("com.apple.flat-rtfd");
inline const QString html = QStringLiteral("public.html");
inline const QString png = QStringLiteral("public.png");
inline const QString tiff = QStringLiteral("public.tiff");
inline const QString jpeg = QStringLiteral("public.jpeg");
inline const QString url = QStringLiteral("public.url");
inline const QString fileURL = QStringLiteral("public.file-url");
inline const QString color = QStringLiteral("com.apple.cocoa.pasteboard.color");
inline const QString concealed = QStringLiteral("org.nspasteboard.ConcealedType");

// The marker types with which other applications flag content that no
// history may keep: confidential, transient or generated.
const QSet<QString>& ignoredMarkers();
} // namespace PasteboardType

// Colour data as X11 clients exchange it (application/x-color): four unsigned
// 16-bit values, red, green, blue, alpha, in the machine's byte order, as GTK
// and Qt write and read it.
QByteArray encodeColorData(const QColor& color);
std::optional<QColor> decodeColorData(const QByteArray& bytes);

} // namespace quillbox
