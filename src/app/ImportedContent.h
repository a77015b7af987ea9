#pragma once

#include "content/ParsedClipboardContent.h"

#include <QString>
#include <optional>

namespace quillbox {

// Content read back from an export is trusted only for its bytes: what is
// shown and searched (its text, colour code, image size and thumbnail, file
// names) is made from them as capture would have made it, so a line can't
// show one thing and paste another.
namespace ImportedContent {

// Replaces every field made from the content; the title survives only where
// the content can't give it (a screenshot's). Why the content can't be used,
// if it can't.
std::optional<QString> deriveShownFields(ParsedClipboardContent& content);

} // namespace ImportedContent
} // namespace quillbox
