#include "app/HistoryTransfer.h"

#include "app/ImportedContent.h"
#include "content/ContentCategory.h"
#include "content/Hash.h"
#include "history/HistoryStore.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <cmath>
#include <cstring>

using namespace Qt::StringLiterals;

namespace quillbox::HistoryTransfer {

namespace {

// Copy times may run ahead of this machine's clock by this much (another
// machine's export); later ones would stay at the top of the history forever.
constexpr qint64 allowedClockSkewSecs = 24 * 3600;
// String values longer than this are taken out of a line before the rest is
// parsed as JSON, which would hold each as UTF-16.
constexpr qsizetype largeValueSize = 64 * 1024;

QJsonValue text(const std::optional<QString>& value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

// The payloads and the text, written by hand after the small fields.
const QString contentKey = u"content"_s;
const QString richTextKey = u"richTextData"_s;
const QString thumbnailKey = u"thumbnailData"_s;
const QString plainTextKey = u"plainText"_s;

// JSON string escaping of one piece of text (without the quotes).
QByteArray jsonEscaped(QStringView text) {
    QByteArray out;
    out.reserve(text.size() + text.size() / 8);
    qsizetype plainStart = 0;
    const auto flush = [&](qsizetype end) {
        if (end > plainStart)
            out += text.mid(plainStart, end - plainStart).toUtf8();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c != u'"' && c != u'\\')
            continue;
        flush(i);
        plainStart = i + 1;
        switch (c) {
        case u'"':
            out += "\\\"";
            break;
        case u'\\':
            out += "\\\\";
            break;
        case u'\n':
            out += "\\n";
            break;
        case u'\t':
            out += "\\t";
            break;
        case u'\r':
            out += "\\r";
            break;
        default:
            out += "\\u00" + QByteArray::number(c, 16).rightJustified(2, '0');
        }
    }
    flush(text.size());
    return out;
}

// Finds the closing quote of the string whose opening quote is at `open`;
// -1 when the line ends first.
qsizetype closingQuote(const QByteArray& line, qsizetype open) {
    const char* data = line.constData();
    qsizetype at = open + 1;
    while (at < line.size()) {
        const void* found = std::memchr(data + at, '"', size_t(line.size() - at));
        if (!found)
            return -1;
        const qsizetype quote = static_cast<const char*>(found) - data;
        qsizetype backslashes = 0;
        while (quote - 1 - backslashes > open && data[quote - 1 - backslashes] == '\\')
            ++backslashes;
        if (backslashes % 2 == 0)
            return quote;
        at = quote + 1;
    }
    return -1;
}

// The line with its long top-level string values replaced by "", and those
// values' raw bytes (still JSON-escaped) by key. A line this does not
// understand comes back whole, for the JSON parser to report.
struct SplitLine {
    QByteArray small;
    QHash<QString, QByteArrayView> large;
};

SplitLine splitLargeValues(const QByteArray& line) {
    SplitLine split;
    const auto skipSpace = [&line](qsizetype at) {
        while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at])))
            ++at;
        return at;
    };
    const auto whole = [&line] { return SplitLine{line, {}}; };
    qsizetype at = skipSpace(0);
    if (at >= line.size() || line[at] != '{')
        return whole();
    ++at;
    qsizetype copiedUpTo = 0;
    while (true) {
        at = skipSpace(at);
        if (at >= line.size() || line[at] != '"')
            break;
        const qsizetype keyEnd = closingQuote(line, at);
        if (keyEnd < 0)
            return whole();
        const QString key = QString::fromUtf8(line.mid(at + 1, keyEnd - at - 1));
        at = skipSpace(keyEnd + 1);
        if (at >= line.size() || line[at] != ':')
            return whole();
        at = skipSpace(at + 1);
        if (at < line.size() && line[at] == '"') {
            const qsizetype valueEnd = closingQuote(line, at);
            if (valueEnd < 0)
                return whole();
            if (valueEnd - at - 1 > largeValueSize) {
                split.small += line.mid(copiedUpTo, at - copiedUpTo) + "\"\"";
                split.large.insert(key, QByteArrayView(line).sliced(at + 1, valueEnd - at - 1));
                copiedUpTo = valueEnd + 1;
            }
            at = valueEnd + 1;
        } else {
            // Numbers, literals and nested values are short: to the next
            // separator, minding strings and nesting.
            int depth = 0;
            while (at < line.size()) {
                const char c = line[at];
                if (c == '"') {
                    const qsizetype end = closingQuote(line, at);
                    if (end < 0)
                        return whole();
                    at = end + 1;
                    continue;
                }
                if (c == '{' || c == '[')
                    ++depth;
                else if ((c == '}' || c == ']') && depth > 0)
                    --depth;
                else if ((c == ',' || c == '}') && depth == 0)
                    break;
                ++at;
            }
        }
        at = skipSpace(at);
        if (at < line.size() && line[at] == ',') {
            ++at;
            continue;
        }
        break;
    }
    split.small += line.mid(copiedUpTo);
    return split;
}

// Optional string fields: absent and null both mean none; anything else is wrong.
bool readText(const QJsonObject& object, const SplitLine& split, const QString& key,
              std::optional<QString>& out) {
    if (const auto large = split.large.constFind(key); large != split.large.constEnd()) {
        // Escapes and all, decoded by the JSON parser as a one-string array.
        const auto array = QJsonDocument::fromJson("[\"" + large->toByteArray() + "\"]").array();
        if (array.size() != 1 || !array.first().isString())
            return false;
        out = array.first().toString();
        return true;
    }
    const auto value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isString())
        return false;
    out = value.toString();
    return true;
}

bool readBytes(const QJsonObject& object, const SplitLine& split, const QString& key,
               std::optional<QByteArray>& out) {
    QByteArray encoded;
    if (const auto large = split.large.constFind(key); large != split.large.constEnd()) {
        // Decoded straight from the line's bytes, without a copy of them.
        encoded = QByteArray::fromRawData(large->data(), large->size());
    } else {
        const auto value = object.value(key);
        if (value.isUndefined() || value.isNull())
            return true;
        if (!value.isString())
            return false;
        encoded = value.toString().toLatin1();
    }
    auto decoded = QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return false;
    out = std::move(*decoded);
    return true;
}

} // namespace

struct ExportCursor::Segment {
    QByteArray literal;               // written as it is
    std::optional<QByteArray> base64; // written base64-encoded
    std::optional<QString> jsonText;  // written JSON-escaped
    qsizetype offset = 0;
    // The item's content, read from the store a piece at a time: base64, or
    // (a text that is its content) decoded and JSON-escaped.
    const ClipboardItem* contentOf = nullptr;
    std::shared_ptr<QStringDecoder> contentText;
};

ExportCursor::ExportCursor(ItemSource items)
    : m_items(std::move(items)) {
}

ExportCursor::ExportCursor(QList<ClipboardItemPtr> items)
    : m_items([items = std::move(items), next = qsizetype(0)]() mutable -> ClipboardItemPtr {
        while (next < items.size()) {
            ClipboardItemPtr item = std::move(items[next++]);
            if (item->persistentID() != 0)
                return item;
        }
        return nullptr;
    }) {
}

ExportCursor::~ExportCursor() = default;

void ExportCursor::startItem(const ClipboardItem& item) {
    const auto count = item.characterCount();
    const QJsonObject small{
        {u"id"_s, item.id().toString(QUuid::WithoutBraces)},
        {u"category"_s, item.category()},
        {u"contentType"_s, item.contentType()},
        {u"contentHash"_s, item.contentHash()},
        {u"title"_s, text(item.title())},
        {u"sourceAppBundleID"_s, text(item.sourceAppBundleID())},
        {u"sourceAppName"_s, text(item.sourceAppName())},
        {u"ocrText"_s, text(item.ocrText())},
        {u"characterCount"_s, count ? QJsonValue(double(*count)) : QJsonValue(QJsonValue::Null)},
        {u"imageDimensions"_s, text(item.imageDimensions())},
        {u"urlString"_s, text(item.urlString())},
        {u"filePath"_s, text(item.filePath())},
        {u"colorHex"_s, text(item.colorHex())},
        {u"copiedAt"_s, item.copiedAt().toUTC().toString(Qt::ISODateWithMs)},
        {u"isPinned"_s, item.isPinned()},
    };
    QByteArray head = QJsonDocument(small).toJson(QJsonDocument::Compact);
    head.chop(1); // the closing brace comes after the large fields
    m_segments.append(Segment{head, {}, {}, 0, nullptr, {}});
    const auto addBytes = [this](const QString& key, std::optional<QByteArray> bytes) {
        if (!bytes) {
            m_segments.append(Segment{",\"" + key.toLatin1() + "\":null", {}, {}, 0, nullptr, {}});
            return;
        }
        m_segments.append(Segment{",\"" + key.toLatin1() + "\":\"", {}, {}, 0, nullptr, {}});
        m_segments.append(Segment{{}, std::move(bytes), {}, 0, nullptr, {}});
        m_segments.append(Segment{"\"", {}, {}, 0, nullptr, {}});
    };
    const auto addContent = [this, &item](const QString& key, bool asText) {
        Segment streamed{{}, {}, {}, 0, &item, nullptr};
        if (asText)
            streamed.contentText = std::make_shared<QStringDecoder>(QStringDecoder::Utf8);
        m_segments.append(Segment{",\"" + key.toLatin1() + "\":\"", {}, {}, 0, nullptr, {}});
        m_segments.append(streamed);
        m_segments.append(Segment{"\"", {}, {}, 0, nullptr, {}});
    };
    addContent(contentKey, false);
    addBytes(richTextKey, item.richTextData());
    addBytes(thumbnailKey, item.thumbnailData());
    if (item.isPlainTextContent()) {
        addContent(plainTextKey, true);
    } else if (const auto plain = item.plainText()) {
        m_segments.append(Segment{",\"plainText\":\"", {}, {}, 0, nullptr, {}});
        m_segments.append(Segment{{}, {}, plain, 0, nullptr, {}});
        m_segments.append(Segment{"\"", {}, {}, 0, nullptr, {}});
    } else {
        m_segments.append(Segment{",\"plainText\":null", {}, {}, 0, nullptr, {}});
    }
    m_segments.append(Segment{"}\n", {}, {}, 0, nullptr, {}});
}

QByteArray ExportCursor::next(qsizetype maxBytes, bool endAtLine) {
    QByteArray piece;
    while (piece.size() < maxBytes && !(endAtLine && piece.endsWith('\n'))) {
        if (m_segments.isEmpty()) {
            // The item's payloads are loaded now (its content as it is
            // written) and let go once written.
            m_current.reset();
            if (m_items)
                m_current = m_items();
            if (!m_current)
                break;
            startItem(*m_current);
        }
        Segment& segment = m_segments.first();
        const qsizetype room = std::max<qsizetype>(maxBytes - piece.size(), 64);
        if (segment.contentOf && segment.contentText) {
            // At most six bytes out per byte in (\u00XX).
            const QByteArray bytes =
                segment.contentOf->readContent(segment.offset, std::max<qsizetype>(room / 6, 4));
            segment.offset += bytes.size();
            piece += jsonEscaped(QString((*segment.contentText)(bytes)));
            if (!bytes.isEmpty())
                continue;
        } else if (segment.contentOf) {
            // Whole groups of three bytes, so the pieces join into one encoding.
            const qsizetype take = std::max<qsizetype>(room / 4 * 3, 3);
            const QByteArray bytes = segment.contentOf->readContent(segment.offset, take);
            piece += bytes.toBase64();
            segment.offset += bytes.size();
            if (bytes.size() == take)
                continue;
        } else if (segment.base64) {
            // Whole groups of three bytes, so the pieces join into one encoding.
            const qsizetype take = std::max<qsizetype>(room / 4 * 3, 3);
            piece += segment.base64->mid(segment.offset, take).toBase64();
            segment.offset += take;
            if (segment.offset < segment.base64->size())
                continue;
        } else if (segment.jsonText) {
            // At most six bytes per character (\u00XX); never half a surrogate pair.
            qsizetype take = std::max<qsizetype>(room / 6, 2);
            take = std::min(take, segment.jsonText->size() - segment.offset);
            if (take > 0 && segment.offset + take < segment.jsonText->size() &&
                segment.jsonText->at(segment.offset + take - 1).isHighSurrogate())
                --take;
            piece += jsonEscaped(QStringView(*segment.jsonText).mid(segment.offset, take));
            segment.offset += take;
            if (segment.offset < segment.jsonText->size())
                continue;
        } else {
            piece += segment.literal;
        }
        m_segments.removeFirst();
    }
    return piece;
}

ExportCursor::ExportCursor(const ClipboardItem& item) {
    startItem(item);
}

QByteArray exportLine(const ClipboardItem& item) {
    ExportCursor cursor(item);
    constexpr qsizetype pieceSize = 1024 * 1024;
    QByteArray line;
    for (QByteArray piece = cursor.next(pieceSize); !piece.isEmpty();
         piece = cursor.next(pieceSize))
        line += piece;
    return line;
}

std::variant<ImportedItem, QString> readLine(QByteArray line, const QDateTime& now) {
    SplitLine split = splitLargeValues(line);
    QJsonParseError error;
    const auto document = QJsonDocument::fromJson(split.small, &error);
    if (!document.isObject())
        return u"not a JSON object (%1)"_s.arg(error.errorString());
    const QJsonObject object = document.object();

    ImportedItem item;
    auto& content = item.content;
    std::optional<QByteArray> payload;
    if (!readBytes(object, split, contentKey, payload) || !payload)
        return u"\"content\" is missing or not base64"_s;
    content.content = std::move(*payload);
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
    if (item.copiedAt.toMSecsSinceEpoch() < 0 || item.copiedAt > now.addSecs(allowedClockSkewSecs))
        return u"\"copiedAt\" is out of range (before 1970 or in the future)"_s;

    // A count of characters is a whole number no larger than the content.
    const auto count = object.value(u"characterCount"_s);
    if (count.isDouble()) {
        const double value = count.toDouble();
        if (!std::isfinite(value) || value < 0 || value != std::floor(value) ||
            value > double(content.content.size()))
            return u"\"characterCount\" is out of range"_s;
        content.characterCount = qint64(value);
    } else if (!count.isUndefined() && !count.isNull()) {
        return u"\"characterCount\" is not a number"_s;
    }

    // The shown fields are made from the content below: a large value in the
    // line is not even decoded, a short one only checked.
    std::optional<QString> unusedText;
    std::optional<QByteArray> unusedBytes;
    const bool fieldsRead =
        (split.large.contains(plainTextKey) || readText(object, split, plainTextKey, unusedText)) &&
        (split.large.contains(richTextKey) || readBytes(object, split, richTextKey, unusedBytes)) &&
        readText(object, split, u"urlString"_s, unusedText) &&
        readText(object, split, u"filePath"_s, unusedText) &&
        readText(object, split, u"colorHex"_s, unusedText) &&
        readText(object, split, u"imageDimensions"_s, unusedText) &&
        (split.large.contains(thumbnailKey) ||
         readBytes(object, split, thumbnailKey, unusedBytes)) &&
        readText(object, split, u"title"_s, content.title) &&
        readText(object, split, u"sourceAppBundleID"_s, item.sourceAppBundleID) &&
        readText(object, split, u"sourceAppName"_s, item.sourceAppName);
    if (!fieldsRead)
        return u"a field has the wrong type or is not base64"_s;
    // The line goes before the text is made from the content: a large item
    // is in memory once as bytes and once as text, not also as its line.
    split = {};
    line = QByteArray();
    if (const auto problem = ImportedContent::deriveShownFields(content))
        return *problem;
    item.isPinned = object.value(u"isPinned"_s).toBool(false);
    return item;
}

void importItem(const ImportedItem& imported, HistoryStore& store, ImportSummary& summary) {
    if (store.recordCopiedAt(imported.content, imported.sourceAppBundleID, imported.sourceAppName,
                             imported.copiedAt, imported.isPinned))
        ++summary.imported;
    else
        ++summary.alreadyPresent;
}

// Lines imported per write to the database: few enough that little is pending
// in memory, many enough that the disk is flushed rarely.
constexpr int importLinesPerSave = 500;

ImportSummary importLines(const QByteArray& lines, HistoryStore& store) {
    ImportSummary summary;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    int lineNumber = 0;
    std::optional<HistoryStore::Batch> batch;
    for (const QByteArray& rawLine : lines.split('\n')) {
        // One transaction per chunk of lines, not one flush per change.
        if (lineNumber % importLinesPerSave == 0)
            batch.emplace(store);
        ++lineNumber;
        QByteArray line = rawLine.trimmed();
        if (line.isEmpty())
            continue;
        auto parsed = readLine(std::move(line), now);
        if (auto* problem = std::get_if<QString>(&parsed)) {
            summary.problems.append(u"line %1: %2"_s.arg(lineNumber).arg(*problem));
            continue;
        }
        importItem(std::get<ImportedItem>(parsed), store, summary);
    }
    return summary;
}

} // namespace quillbox::HistoryTransfer
