#pragma once

#include <QString>

namespace quillbox {

// The quillbox(1) manual page in man(7) markup, written from the same command
// table as --help so the two always list the same commands and options.
QString manualPage(const QString& version);

// Text made safe for a roff line: backslashes and hyphens escaped, and a line
// that would start with a control character guarded.
QString roffEscaped(const QString& text);

} // namespace quillbox
