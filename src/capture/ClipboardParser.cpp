#include "capture/ClipboardParser.h"

#include "capture/ImageThumbnailer.h"
#include "content/ColorHex.h"
#include "content/Hash.h"
#include "content/HtmlText.h"
#include "content/Logging.h"
#include "content/PasteboardTypes.h"
#include "content/TextMetrics.h"

#include <QUrl>
#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <cstdint>

namespace quillbox {

namespace {

// Substrings that suggest source code; the trailing spaces belong to them.
const std::array<QString, 26>& codeIndicators() {
    static const std::array<QString, 26> indicators{
        QStringLiteral("func "),      QStringLiteral("def "),    QStringLiteral("class "),
        QStringLiteral("import "),    QStringLiteral("struct "), QStringLiteral("enum "),
        QStringLiteral("var "),       QStringLiteral("let "),    QStringLiteral("const "),
        QStringLiteral("return "),    QStringLiteral("if ("),    QStringLiteral("for ("),
        QStringLiteral("while ("),    QStringLiteral("switch "), QStringLiteral("case "),
        QStringLiteral("interface "), QStringLiteral("public "), QStringLiteral("private "),
        QStringLiteral("protected "), QStringLiteral("static "), QStringLiteral("void "),
        QStringLiteral("int "),       QStringLiteral("-> {"),    QStringLiteral("=> {"),
        QStringLiteral("};"),         QStringLiteral("});"),
    };
    return indicators;
}

ParsedClipboardContent makeContent(const QByteArray& content, const QString& contentType,
                                   ContentCategory category) {
    ParsedClipboardContent parsed;
    parsed.content = content;
    parsed.contentType = contentType;
    parsed.category = category;
    parsed.contentHash = sha256Hash(content);
    return parsed;
}

// The plain text's UTF-8. A pasteboard's bytes for the plain-text type are
// the UTF-8 its string is decoded from, so when they are valid UTF-8 without a
// byte-order mark (which decoding drops) they are the string's UTF-8 as they
// stand: encoding a 50 MB text again would cost 150 ms.
QByteArray utf8Of(const Pasteboard& pasteboard, const QString& string) {
    if (const auto bytes = pasteboard.data(PasteboardType::string)) {
        if (!bytes->startsWith("\xef\xbb\xbf") && QByteArrayView(*bytes).isValidUtf8())
            return *bytes;
    }
    return string.toUtf8();
}

} // namespace

bool isParsableURL(const QString& string) {
    return !string.isEmpty() && QUrl(string, QUrl::StrictMode).isValid();
}

const QSet<QString>& ClipboardParser::ignoredMarkerTypes() {
    return PasteboardType::ignoredMarkers();
}

bool ClipboardParser::shouldIgnore(const QStringList& types) {
    const auto& markers = ignoredMarkerTypes();
    for (const auto& type : types) {
        if (markers.contains(type))
            return true;
    }
    return false;
}

bool ClipboardParser::looksLikeCode(const QString& text) {
    // One pass over the text. Every indicator is ASCII and at least two
    // characters long, so a table of its first two characters turns away
    // nearly every position with one look-up: trying each indicator that
    // begins with the position's character made a 50 MB copy take a quarter
    // of a second, and 26 separate searches ten times that.
    static const auto byFirstTwoCharacters = [] {
        std::array<std::array<std::uint32_t, 128>, 128> table{};
        for (std::size_t i = 0; i < codeIndicators().size(); ++i) {
            const QString& indicator = codeIndicators()[i];
            table[indicator.at(0).unicode()][indicator.at(1).unicode()] |= std::uint32_t(1) << i;
        }
        return table;
    }();
    const char16_t* characters = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype size = text.size();
    std::uint32_t found = 0;
    for (qsizetype position = 0; position + 1 < size; ++position) {
        const char16_t first = characters[position];
        const char16_t second = characters[position + 1];
        if (first >= 128 || second >= 128)
            continue;
        std::uint32_t candidates = byFirstTwoCharacters[first][second] & ~found;
        while (candidates != 0) {
            const int i = std::countr_zero(candidates);
            candidates &= candidates - 1;
            if (!QStringView(characters + position, size - position)
                     .startsWith(codeIndicators()[i]))
                continue;
            found |= std::uint32_t(1) << i;
            if (std::popcount(found) >= 2)
                return true;
        }
    }
    return false;
}

ContentCategory ClipboardParser::categoryFrom(const QStringList& types,
                                              const Pasteboard& pasteboard) {
    if (types.contains(PasteboardType::color))
        return ContentCategory::color;
    if (types.contains(PasteboardType::fileURL))
        return ContentCategory::file;
    if (types.contains(PasteboardType::tiff) || types.contains(PasteboardType::png) ||
        types.contains(PasteboardType::jpeg))
        return ContentCategory::image;
    if (types.contains(PasteboardType::url))
        return ContentCategory::url;
    // Linux applications offer formatted text as HTML; RTF is rare there.
    if (types.contains(PasteboardType::rtf) || types.contains(PasteboardType::rtfd) ||
        types.contains(PasteboardType::html))
        return ContentCategory::richText;
    if (types.contains(PasteboardType::string)) {
        const auto string = pasteboard.string(PasteboardType::string);
        if (string && looksLikeCode(*string))
            return ContentCategory::code;
    }
    return ContentCategory::text;
}

std::optional<ParsedClipboardContent> ClipboardParser::parse(const Pasteboard& pasteboard) {
    const auto types = pasteboard.types();
    if (!types || types->isEmpty())
        return std::nullopt;
    if (shouldIgnore(*types)) {
        qCDebug(lcCapture, "Quillbox: clipboard change flagged as confidential or transient; "
                           "not recorded");
        return std::nullopt;
    }
    // No fallback between kinds: content that cannot be read as the kind it
    // was classified as is not recorded as another kind.
    switch (categoryFrom(*types, pasteboard)) {
    case ContentCategory::text:
        return parseText(pasteboard, ContentCategory::text);
    case ContentCategory::code:
        return parseText(pasteboard, ContentCategory::code);
    case ContentCategory::richText:
        return parseRichText(pasteboard, *types);
    case ContentCategory::image:
        return parseImage(pasteboard, *types);
    case ContentCategory::file:
        return parseFiles(pasteboard);
    case ContentCategory::url:
        return parseURL(pasteboard);
    case ContentCategory::color:
        return parseColor(pasteboard);
    }
    return std::nullopt;
}

std::optional<ParsedClipboardContent> ClipboardParser::parseText(const Pasteboard& pasteboard,
                                                                 ContentCategory category) {
    const auto string = pasteboard.string(PasteboardType::string);
    if (!string) {
        qCDebug(lcCapture, "Quillbox: clipboard has no readable text; not recorded");
        return std::nullopt;
    }
    // Only a test: the recorded text keeps its surrounding white space. (No
    // trimmed copy: for a long text that copy alone costs a third of a second.)
    if (std::all_of(string->cbegin(), string->cend(), [](QChar c) { return c.isSpace(); }))
        return std::nullopt;
    auto parsed = makeContent(utf8Of(pasteboard, *string), PasteboardType::string, category);
    parsed.plainText = *string;
    parsed.characterCount = characterCount(*string);
    return parsed;
}

std::optional<ParsedClipboardContent> ClipboardParser::parseRichText(const Pasteboard& pasteboard,
                                                                     const QStringList& types) {
    // RTF wins when it is there, HTML is taken only without it: an item keeps
    // one rich representation.
    const QString richType = types.contains(PasteboardType::rtfd)  ? PasteboardType::rtfd
                             : types.contains(PasteboardType::rtf) ? PasteboardType::rtf
                                                                   : PasteboardType::html;
    auto richBytes = pasteboard.data(richType);
    const auto plain = pasteboard.string(PasteboardType::string);
    const auto isBlank = [](const QString& text) {
        return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSpace(); });
    };

    // HTML of white space alone holds nothing, like blank text; HTML without
    // the owner's own plain text is read for its words.
    std::optional<QString> text = plain;
    if (richBytes && richType == PasteboardType::html) {
        const bool isHtmlBlank = std::all_of(richBytes->cbegin(), richBytes->cend(), [](char c) {
            return std::isspace(static_cast<unsigned char>(c)) != 0;
        });
        if (isHtmlBlank && (!plain || isBlank(*plain))) {
            qCDebug(lcCapture, "Quillbox: clipboard HTML holds only white space; not recorded");
            return std::nullopt;
        }
        if (isHtmlBlank) {
            richBytes.reset();
        } else if (!plain || isBlank(*plain)) {
            if (auto derived = HtmlText::plainText(*richBytes))
                text = std::move(derived);
        }
    }

    std::optional<ParsedClipboardContent> parsed;
    if (richBytes) {
        parsed = makeContent(*richBytes, richType, ContentCategory::richText);
        parsed->richTextData = *richBytes;
    } else if (plain) {
        // Listed but unreadable rich data: the words alone still count, and
        // hash like the same words copied as plain text.
        parsed = makeContent(plain->toUtf8(), PasteboardType::string, ContentCategory::richText);
        text = plain;
    } else {
        qCDebug(lcCapture, "Quillbox: clipboard has neither rich nor plain text; not recorded");
        return std::nullopt;
    }
    if (text) {
        parsed->plainText = *text;
        parsed->characterCount = characterCount(*text);
    }
    return parsed;
}

std::optional<ParsedClipboardContent> ClipboardParser::parseImage(const Pasteboard& pasteboard,
                                                                  const QStringList& types) {
    // PNG first: it is lossless and usually the smallest of what is offered.
    QString imageType;
    for (const auto& candidate :
         {PasteboardType::png, PasteboardType::tiff, PasteboardType::jpeg}) {
        if (types.contains(candidate)) {
            imageType = candidate;
            break;
        }
    }
    const auto bytes = pasteboard.data(imageType);
    if (!bytes) {
        qCDebug(lcCapture, "Quillbox: clipboard image data could not be read; not recorded");
        return std::nullopt;
    }
    auto parsed = makeContent(*bytes, imageType, ContentCategory::image);
    // An image that cannot be decoded is still kept, without preview.
    if (const auto result = ImageThumbnailer::process(*bytes, thumbnailMaxPixelSize)) {
        parsed.thumbnailData = result->thumbnailPNG;
        parsed.imageDimensions = result->dimensionsDescription();
    }
    return parsed;
}

std::optional<ParsedClipboardContent> ClipboardParser::parseFiles(const Pasteboard& pasteboard) {
    const auto urls = pasteboard.fileURLs();
    if (!urls || urls->isEmpty()) {
        qCDebug(lcCapture, "Quillbox: clipboard has no file URLs; not recorded");
        return std::nullopt;
    }
    QStringList encoded;
    QStringList paths;
    QStringList names;
    for (const auto& url : *urls) {
        encoded.append(url.toString(QUrl::FullyEncoded));
        paths.append(url.toLocalFile());
        names.append(url.fileName());
    }
    auto parsed = makeContent(encoded.join(QLatin1Char('\n')).toUtf8(), PasteboardType::fileURL,
                              ContentCategory::file);
    parsed.plainText = paths.join(QLatin1Char('\n'));
    parsed.title = names.join(QStringLiteral(", "));
    parsed.filePath = paths.first();
    return parsed;
}

std::optional<ParsedClipboardContent> ClipboardParser::parseURL(const Pasteboard& pasteboard) {
    auto string = pasteboard.string(PasteboardType::url);
    if (!string)
        string = pasteboard.string(PasteboardType::string);
    if (!string) {
        qCDebug(lcCapture, "Quillbox: clipboard URL could not be read; not recorded");
        return std::nullopt;
    }
    if (!isParsableURL(*string)) {
        qCDebug(lcCapture, "Quillbox: clipboard URL is not a valid URL; not recorded");
        return std::nullopt;
    }
    auto parsed = makeContent(string->toUtf8(), PasteboardType::url, ContentCategory::url);
    parsed.plainText = *string;
    parsed.urlString = *string;
    parsed.characterCount = characterCount(*string);
    return parsed;
}

std::optional<ParsedClipboardContent> ClipboardParser::parseColor(const Pasteboard& pasteboard) {
    const auto bytes = pasteboard.data(PasteboardType::color);
    if (!bytes) {
        qCDebug(lcCapture, "Quillbox: clipboard colour data could not be read; not recorded");
        return std::nullopt;
    }
    // A colour that cannot be decoded is kept as clear, which reads "#000000".
    const QColor color = pasteboard.color().value_or(QColor(Qt::transparent));
    const QString hex = color.isValid() ? hexString(color) : QStringLiteral("#000000");
    auto parsed = makeContent(*bytes, PasteboardType::color, ContentCategory::color);
    parsed.plainText = hex;
    parsed.colorHex = hex;
    return parsed;
}

} // namespace quillbox
