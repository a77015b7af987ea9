#pragma once

#include <QTextStream>
#include <chrono>

namespace quillbox {

class Pasteboard;
class SourceAppResolver;
struct PlatformDescription;

// `quillbox inspect-clipboard [--json]`: shows what the clipboard holds and
// how Quillbox would record it (types, whether and why it is ignored, the
// kind, hash and descriptive fields, the application in front). Prints to
// `out` and returns the exit status. With `json`, one JSON object. With a
// platform, also what its backend can do in this session.
int inspectClipboard(const Pasteboard& pasteboard, SourceAppResolver& resolver, bool json,
                     QTextStream& out, const PlatformDescription* platform = nullptr);

// How long the command waits for the clipboard reader's first snapshot, which
// it fills in the background, before it gives up.
constexpr auto firstSnapshotTimeout = std::chrono::milliseconds(2000);

} // namespace quillbox
