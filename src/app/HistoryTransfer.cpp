#include "app/HistoryTransfer.h"

#include "content/ContentCategory.h"
#include "content/Hash.h"
#include "content/ParsedClipboardContent.h"
#include "history/HistoryStore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <optional>
#include <variant>

using namespace Qt::StringLiterals;

namespace quillbox::HistoryTransfer {

namespace {

QJsonValue text(const std::optional<QString>& value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonValue bytes(const std::optional<QByteArray>& value) {
    return value ? QJsonValue(QString::fromLatin1(value->toBase64()))
                 : QJsonValue(QJsonValue::Null);
}

// A parsed line: the content to record and what the item had beside it.
struct ImportedItem {
    ParsedClipboardContent content;
    std::optional<QString> sourceAppBundleID;
    std::optional<QString> sourceAppName;
    std::optional<QString> ocrText;
    QDateTime copiedAt;
    bool isPinned = false;
};

// Optional string fields: absent and null both mean none; anything else is wrong.
bool readText(const QJsonObject& object, const QString& key, std::optional<QString>& out) {
    const auto value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isString())
        return false;
    out = value.toString();
    return true;
}

bool readBytes(const QJsonObject& object, const QString& key, std::optional<QByteArray>& out) {
    std::optional<QString> encoded;
    if (!readText(object, key, encoded))
        return false;
    if (!encoded)
        return true;
    auto decoded = QByteArray::fromBase64Encoding(encoded->toLatin1(),
                                                  QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return false;
    out = *decoded;
    return true;
}

std::variant<ImportedItem, QString> readLine(const QByteArray& line) {
    QJsonParseError error;
    const auto document = QJsonDocument::fromJson(line, &error);
    if (!document.isObject())
        return u"not a JSON object (%1)"_s.arg(error.errorString());
    const QJsonObject object = document.object();

    ImportedItem item;
    auto& content = item.content;
    std::optional<QByteArray> payload;
    if (!readBytes(object, u"content"_s, payload) || !payload)
        return u"\"content\" is missing or not base64"_s;
    content.content = *payload;
    content.contentHash = sha256Hash(content.content);
    if (const auto hash = object.value(u"contentHash"_s);
        hash.isString() && hash.toString() != content.contentHash)
        return u"\"contentHash\" does not match the content"_s;

    const auto category = contentCategoryFromRaw(object.value(u"category"_s).toString());
    if (!category)
        return u"\"category\" names no kind of content"_s;
    content.category = *category;
    if (!object.value(u"contentType"_s).isString())
        return u"\"contentType\" is missing"_s;
    content.contentType = object.value(u"contentType"_s).toString();

    item.copiedAt =
        QDateTime::fromString(object.value(u"copiedAt"_s).toString(), Qt::ISODateWithMs);
    if (!item.copiedAt.isValid())
        return u"\"copiedAt\" is not an ISO 8601 time"_s;

    const auto count = object.value(u"characterCount"_s);
    if (count.isDouble())
        content.characterCount = qint64(count.toDouble());
    else if (!count.isUndefined() && !count.isNull())
        return u"\"characterCount\" is not a number"_s;

    const bool fieldsRead = readText(object, u"plainText"_s, content.plainText) &&
                            readBytes(object, u"richTextData"_s, content.richTextData) &&
                            readText(object, u"urlString"_s, content.urlString) &&
                            readText(object, u"filePath"_s, content.filePath) &&
                            readText(object, u"colorHex"_s, content.colorHex) &&
                            readText(object, u"imageDimensions"_s, content.imageDimensions) &&
                            readBytes(object, u"thumbnailData"_s, content.thumbnailData) &&
                            readText(object, u"title"_s, content.title) &&
                            readText(object, u"sourceAppBundleID"_s, item.sourceAppBundleID) &&
                            readText(object, u"sourceAppName"_s, item.sourceAppName) &&
                            readText(object, u"ocrText"_s, item.ocrText);
    if (!fieldsRead)
        return u"a field has the wrong type or is not base64"_s;
    item.isPinned = object.value(u"isPinned"_s).toBool(false);
    return item;
}

} // namespace

QByteArray exportLine(const ClipboardItem& item) {
    const auto count = item.characterCount();
    const QJsonObject object{
        {u"id"_s, item.id().toString(QUuid::WithoutBraces)},
        {u"category"_s, item.category()},
        {u"contentType"_s, item.contentType()},
        {u"content"_s, bytes(item.content())},
        {u"contentHash"_s, item.contentHash()},
        {u"plainText"_s, text(item.plainText())},
        {u"richTextData"_s, bytes(item.richTextData())},
        {u"title"_s, text(item.title())},
        {u"sourceAppBundleID"_s, text(item.sourceAppBundleID())},
        {u"sourceAppName"_s, text(item.sourceAppName())},
        {u"ocrText"_s, text(item.ocrText())},
        {u"characterCount"_s, count ? QJsonValue(double(*count)) : QJsonValue(QJsonValue::Null)},
        {u"imageDimensions"_s, text(item.imageDimensions())},
        {u"urlString"_s, text(item.urlString())},
        {u"filePath"_s, text(item.filePath())},
        {u"colorHex"_s, text(item.colorHex())},
        {u"thumbnailData"_s, bytes(item.thumbnailData())},
        {u"copiedAt"_s, item.copiedAt().toUTC().toString(Qt::ISODateWithMs)},
        {u"isPinned"_s, item.isPinned()},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray exportAll(const HistoryStore& store) {
    QByteArray lines;
    for (const auto& item : store.allItems())
        lines += exportLine(*item);
    return lines;
}

// Lines imported per write to the database: few enough that little is pending
// in memory, many enough that the disk is flushed rarely.
constexpr int importLinesPerSave = 500;

ImportSummary importLines(const QByteArray& lines, HistoryStore& store) {
    ImportSummary summary;
    int lineNumber = 0;
    std::optional<HistoryStore::Batch> batch;
    for (const QByteArray& rawLine : lines.split('\n')) {
        // One transaction per chunk of lines, not one flush per change.
        if (lineNumber % importLinesPerSave == 0)
            batch.emplace(store);
        ++lineNumber;
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty())
            continue;
        auto parsed = readLine(line);
        if (auto* problem = std::get_if<QString>(&parsed)) {
            summary.problems.append(u"line %1: %2"_s.arg(lineNumber).arg(*problem));
            continue;
        }
        const auto& imported = std::get<ImportedItem>(parsed);
        if (store.itemWithHash(imported.content.contentHash)) {
            ++summary.alreadyPresent;
            continue;
        }
        const auto item =
            store.record(imported.content, imported.sourceAppBundleID, imported.sourceAppName);
        store.setCopiedAt(item, imported.copiedAt);
        if (imported.ocrText)
            store.setOcrText(item, *imported.ocrText);
        if (imported.isPinned != item->isPinned())
            store.togglePin(item);
        ++summary.imported;
    }
    return summary;
}

} // namespace quillbox::HistoryTransfer
