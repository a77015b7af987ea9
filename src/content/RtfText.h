#pragma once

#include <QByteArray>
#include <QString>

namespace quillbox {

// The words of an RTF document as plain text: paragraph and line breaks as
// line feeds, tabs as tabs, \uN and \'hh characters decoded (8-bit text as
// Windows-1252), formatting, tables of fonts, colours and styles, pictures,
// field instructions and other ignorable groups left out. Malformed input
// gives what could be read of it.
QString plainTextFromRtf(const QByteArray& rtf);

} // namespace quillbox
