#pragma once

#include <QString>
#include <QStringView>

namespace quillbox {

// Copied text is untrusted wherever it is shown: a control character could
// break a line or act on a terminal, and a bidirectional override or isolate
// reorders what follows it, so "evil\u202Etxt.exe" reads as "evilexe.txt".
// Each form keeps everything else as it is: letters of any script, tabs in
// blocks, and the directional marks (U+200E, U+200F, U+061C), which move
// nothing but neutral characters.
namespace UntrustedText {

// Embeddings, overrides and their end (U+202A to U+202E) and isolates and
// their end (U+2066 to U+2069).
bool isBidiControl(QChar c);

// A block of lines (a card): CR LF, CR, LF and U+2029 become the layout's
// line separator U+2028, other control characters but tab a space, and bidi
// controls are dropped.
QString block(QStringView text);

// One line (a footer, a list row): line breaks and other control characters
// become spaces, and bidi controls are dropped.
QString line(QStringView text);

// For a terminal: control characters (C0, DEL, C1) written as \n, \t, \r or
// \xNN and bidi controls as \uNNNN, instead of acted on; line feeds kept as
// they are when asked.
QString terminal(QStringView text, bool keepLineBreaks = false);

} // namespace UntrustedText
} // namespace quillbox
