#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

namespace quillbox {

// The words of an HTML fragment as a reader sees them, for an HTML copy whose
// owner offers no plain text. Never loads what the HTML refers to: no
// style sheet, image or other resource is fetched, from the network or from
// a file.
namespace HtmlText {

// Only the start of a longer HTML text is read for its words (bytes of
// UTF-8): reading runs while a copy is recorded, and 64 KiB of markup
// already take tens of milliseconds, so a page of several megabytes must
// not hold that up.
inline constexpr qsizetype readLength = 64 * 1024;

// The text of UTF-8 HTML, without surrounding white space and without the
// placeholders of images; none when nothing readable is left.
std::optional<QString> plainText(QByteArrayView html);

} // namespace HtmlText
} // namespace quillbox
