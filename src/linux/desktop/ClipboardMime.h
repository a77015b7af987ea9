#pragma once

#include "ports/Pasteboard.h"

#include <QByteArray>
#include <QList>
#include <QMimeData>
#include <QString>
#include <QUrl>
#include <memory>
#include <optional>

namespace quillbox {

// How the type identifiers used above the pasteboard seam map onto the MIME
// targets X11 clients offer, in both directions. Pure functions, no X11.
namespace ClipboardMime {

inline const QByteArray uriListTarget = QByteArrayLiteral("text/uri-list");
inline const QByteArray mozUrlTarget = QByteArrayLiteral("text/x-moz-url");
inline const QByteArray colorTarget = QByteArrayLiteral("application/x-color");
inline const QByteArray gnomeCopiedFilesTarget = QByteArrayLiteral("x-special/gnome-copied-files");

// Targets that describe the selection (TARGETS, TIMESTAMP, ...), not content.
bool isPseudoTarget(const QByteArray& target);

// The type identifier a target stands for: a known MIME target maps to its
// identifier, a pseudo-target to none, any other target (markers included) to
// its own name. text/uri-list is not handled here: what it stands for depends
// on the URLs it carries.
std::optional<QString> typeForTarget(const QByteArray& target);

// Of the offered targets, the ones worth fetching, at most one per kind:
// text, RTF, the one preferred image, the file list (the URI list, else
// GNOME's copied files), the Mozilla URL, colour; and HTML, unless RTF, an
// image or a colour is offered, which decide what the copy is before HTML.
// None at all when a marker says the content must not be kept.
QList<QByteArray> targetsToFetch(const QList<QByteArray>& offered);

// Which offered target carries the text, RTF or image, or none.
std::optional<QByteArray> preferredTextTarget(const QList<QByteArray>& offered);
std::optional<QByteArray> preferredRtfTarget(const QList<QByteArray>& offered);
std::optional<QByteArray> preferredHtmlTarget(const QList<QByteArray>& offered);
std::optional<QByteArray> preferredImageTarget(const QList<QByteArray>& offered);

// Text as offered by the target (UTF-8, or Latin-1 for STRING), without the
// terminating NULs some clients send.
QString decodeText(const QByteArray& bytes, const QByteArray& target);
// The bytes decodeText reads, when they are already the UTF-8 that encoding
// its result gives back (valid UTF-8 without a byte-order mark); else none.
std::optional<QByteArray> textAsSentInUtf8(const QByteArray& bytes, const QByteArray& target);

// HTML as UTF-8, whatever the owner sent: browsers send UTF-8, Firefox
// UTF-16 with a byte-order mark; a UTF-8 byte-order mark and trailing NULs
// are dropped. Other bytes are kept as they are.
QByteArray htmlAsUtf8(const QByteArray& bytes);

// The URL of a text/x-moz-url value ("URL\nTitle"), which Firefox and Qt
// write as UTF-16 and others as UTF-8; none when empty.
std::optional<QString> decodeMozUrl(const QByteArray& bytes);

// The URL lines of a text/uri-list, exactly as offered (still percent-encoded),
// comment lines and blank lines skipped.
QList<QByteArray> uriListEntries(const QByteArray& bytes);
// The URLs of x-special/gnome-copied-files, which GNOME's file manager
// offers, sometimes without a text/uri-list.
QList<QByteArray> gnomeCopiedFilesEntries(const QByteArray& bytes);
bool isFileUrl(const QByteArray& entry);

// The offer for a write of these items. X11 holds one item per selection, so
// the first item's flavours are offered, with the file URLs of all items.
std::unique_ptr<QMimeData> mimeDataForItems(const QList<PasteboardItem>& items);

} // namespace ClipboardMime
} // namespace quillbox
