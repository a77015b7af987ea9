#include "app/ImportedContent.h"

#include "capture/ClipboardParser.h"
#include "capture/ImageThumbnailer.h"
#include "content/ColorHex.h"
#include "content/HtmlText.h"
#include "content/PasteboardTypes.h"
#include "content/RtfText.h"
#include "content/TextMetrics.h"

#include <QStringList>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace quillbox::ImportedContent {

namespace {

using Problem = std::optional<QString>;

Problem deriveText(ParsedClipboardContent& content) {
    content.plainText = QString::fromUtf8(content.content);
    if (content.category == ContentCategory::url)
        content.urlString = content.plainText;
    return std::nullopt;
}

// The words from the rich data itself, by its kind; the data is what pastes.
Problem deriveRichText(ParsedClipboardContent& content) {
    if (content.contentType == PasteboardType::string) {
        // Rich text whose rich data could not be read: the words alone.
        content.plainText = QString::fromUtf8(content.content);
        return std::nullopt;
    }
    if (content.contentType == PasteboardType::rtf) {
        content.richTextData = content.content;
        content.plainText = plainTextFromRtf(content.content);
        return std::nullopt;
    }
    if (content.contentType == PasteboardType::html) {
        content.richTextData = content.content;
        content.plainText = HtmlText::plainText(content.content);
        return std::nullopt;
    }
    return u"rich text of type \"%1\" can't be read"_s.arg(content.contentType);
}

// Local paths of a file list's URLs, one a line, and their names, as capture shows them.
Problem deriveFiles(ParsedClipboardContent& content) {
    QStringList paths;
    QStringList names;
    for (const QByteArray& line : content.content.split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        const QUrl url = QUrl::fromEncoded(line.trimmed());
        paths.append(url.toLocalFile());
        names.append(url.fileName());
    }
    content.plainText = paths.join(u'\n');
    if (!paths.isEmpty() && !paths.first().isEmpty())
        content.filePath = paths.first();
    content.title = names.join(u", "_s);
    return std::nullopt;
}

Problem deriveColor(ParsedClipboardContent& content) {
    // Undecodable colour data reads as black, as when it was copied.
    const auto color = decodeColorData(content.content);
    content.colorHex = color && color->isValid() ? hexString(*color) : u"#000000"_s;
    content.plainText = content.colorHex;
    return std::nullopt;
}

Problem deriveImage(ParsedClipboardContent& content) {
    // An image that can't be decoded is kept without a preview, as capture keeps it.
    if (const auto result =
            ImageThumbnailer::process(content.content, ClipboardParser::thumbnailMaxPixelSize)) {
        content.thumbnailData = result->thumbnailPNG;
        content.imageDimensions = result->dimensionsDescription();
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> deriveShownFields(ParsedClipboardContent& content) {
    const bool keepsTitle = content.category == ContentCategory::image;
    const auto title = keepsTitle ? content.title : std::nullopt;
    content.plainText.reset();
    content.richTextData.reset();
    content.urlString.reset();
    content.filePath.reset();
    content.colorHex.reset();
    content.imageDimensions.reset();
    content.thumbnailData.reset();
    content.title = title;
    Problem problem;
    switch (content.category) {
    case ContentCategory::text:
    case ContentCategory::code:
    case ContentCategory::url:
        problem = deriveText(content);
        break;
    case ContentCategory::richText:
        problem = deriveRichText(content);
        break;
    case ContentCategory::file:
        problem = deriveFiles(content);
        break;
    case ContentCategory::color:
        problem = deriveColor(content);
        break;
    case ContentCategory::image:
        problem = deriveImage(content);
        break;
    }
    content.characterCount = content.plainText
                                 ? std::optional<qint64>(characterCount(*content.plainText))
                                 : std::nullopt;
    return problem;
}

} // namespace quillbox::ImportedContent
