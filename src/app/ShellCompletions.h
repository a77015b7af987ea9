#pragma once

#include <QString>

namespace quillbox {

// Tab completion of the quillbox command line for bash, zsh and fish, written
// from the command table: the commands, each one's options (with their fixed
// values), item ids from `quillbox list` and file names where a command takes
// a file.
QString bashCompletion();
QString zshCompletion();
QString fishCompletion();

} // namespace quillbox
