#pragma once

#include "content/ContentCategory.h"
#include "content/ParsedClipboardContent.h"
#include "ports/Pasteboard.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

namespace quillbox {

// Turns the current clipboard contents into one ParsedClipboardContent, or
// into nothing when they must not (a confidential or transient marker) or
// cannot be recorded. Stateless; every call reads the clipboard afresh.
class ClipboardParser {
public:
    ClipboardParser() = delete;

    // Thumbnails of image content are bounded to this many pixels on the
    // long side.
    static constexpr int thumbnailMaxPixelSize = 600;

    static std::optional<ParsedClipboardContent> parse(const Pasteboard& pasteboard);

    // True when any type equals (case-sensitively) one of the marker types.
    static bool shouldIgnore(const QStringList& types);

    // The kind of content: the first rule that matches wins (colour, file,
    // image, URL, rich text, then plain text, which may be code).
    static ContentCategory categoryFrom(const QStringList& types, const Pasteboard& pasteboard);

    // Two or more distinct code indicators ("func ", "return ", "};", ...)
    // occur in the text, case-sensitively.
    static bool looksLikeCode(const QString& text);

    // The marker types with which other applications flag a write as
    // confidential, transient or generated.
    static const QSet<QString>& ignoredMarkerTypes();

private:
    static std::optional<ParsedClipboardContent> parseText(const Pasteboard& pasteboard,
                                                           ContentCategory category);
    static std::optional<ParsedClipboardContent> parseRichText(const Pasteboard& pasteboard,
                                                               const QStringList& types);
    static std::optional<ParsedClipboardContent> parseImage(const Pasteboard& pasteboard,
                                                            const QStringList& types);
    static std::optional<ParsedClipboardContent> parseFiles(const Pasteboard& pasteboard);
    static std::optional<ParsedClipboardContent> parseURL(const Pasteboard& pasteboard);
    static std::optional<ParsedClipboardContent> parseColor(const Pasteboard& pasteboard);
};

// Whether the string reads as a URL: non-empty and accepted by a strict URL
// parser (relative references included, as long as every character is one a
// URL may carry).
bool isParsableURL(const QString& string);

} // namespace quillbox
