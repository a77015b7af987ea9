#pragma once

#include "content/ContentCategory.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace quillbox {

// What capture produces for one piece of content and the history records.
// `contentHash` is always sha256Hash(content); "no content" is an absent
// optional, never a record with empty fields.
struct ParsedClipboardContent {
    QByteArray content;
    std::optional<QString> plainText;
    std::optional<QByteArray> richTextData;
    QString contentType;
    ContentCategory category = ContentCategory::text;
    QString contentHash;
    std::optional<QString> urlString;
    std::optional<QString> filePath;
    std::optional<QString> colorHex;
    std::optional<QString> imageDimensions;
    std::optional<qint64> characterCount;
    std::optional<QByteArray> thumbnailData;
    std::optional<QString> title;

    friend bool operator==(const ParsedClipboardContent&, const ParsedClipboardContent&) = default;
};

} // namespace quillbox
