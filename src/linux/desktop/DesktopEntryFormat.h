#pragma once

#include <QHash>
#include <QString>

namespace quillbox {

// Desktop entry files (the freedesktop.org format of .desktop files) as
// Quillbox reads and writes them: installed applications and its own
// autostart entry.
namespace DesktopEntryFormat {

// The keys of the file's [Desktop Entry] group with their string values
// unescaped (the first of a repeated key counts). Empty when the path is not
// a regular file (a pipe would hold the reader until someone writes to it),
// cannot be read, or is far too large to be a desktop file.
QHash<QString, QString> mainGroup(const QString& path);

// A string value as a desktop file holds it on its one line: backslash, new
// line, tab and carriage return escaped.
QString escaped(const QString& value);
// Undoes the escapes of string values: \s \n \t \r \\.
QString unescaped(const QString& value);

} // namespace DesktopEntryFormat

} // namespace quillbox
