#include "history/ClipboardItem.h"

#include "content/TextMetrics.h"
#include "history/SqliteStatement.h"
#include "history/StoreContainer.h"

#include <QStringDecoder>
#include <QTimeZone>
#include <sqlite3.h>

namespace quillbox {

// Texts most items lack, kept apart so that a large history holds one
// pointer per item for them instead of six strings.
struct ClipboardItem::Extras {
    QString title;
    QString ocrText;
    QString imageDimensions;
    QString urlString;
    QString filePath;
    QString colorHex;
    QString contentHashText; // a hash that is not 64 lower-case hex digits
};

namespace {

int hexValue(QChar c) {
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    return -1;
}

} // namespace

ClipboardItem::ClipboardItem() = default;

ClipboardItem::ClipboardItem(QByteArray content, std::optional<QString> plainText,
                             std::optional<QByteArray> richTextData, QString contentType,
                             ContentCategory category, std::optional<QString> sourceAppBundleID,
                             std::optional<QString> sourceAppName, QString contentHash)
    : m_payload(std::make_unique<Payload>(Payload{std::move(content), std::move(richTextData), {}}))
    , m_copiedAtMs(QDateTime::currentMSecsSinceEpoch())
    , m_id(QUuid::createUuid())
    , m_contentType(std::move(contentType))
    , m_category(rawValue(category)) {
    if (plainText) {
        m_characterCount = quillbox::characterCount(*plainText);
        m_plainText = plainText->isNull() ? QStringLiteral("") : std::move(*plainText);
    }
    m_hasRichTextData = m_payload->richTextData.has_value();
    if (sourceAppBundleID)
        m_sourceAppBundleID = sourceAppBundleID->isNull() ? QStringLiteral("") : *sourceAppBundleID;
    if (sourceAppName)
        m_sourceAppName = sourceAppName->isNull() ? QStringLiteral("") : *sourceAppName;
    setContentHash(contentHash);
}

ClipboardItem::~ClipboardItem() = default;

std::optional<QString> ClipboardItem::optionalText(const QString& text) {
    if (text.isNull())
        return std::nullopt;
    return text;
}

ClipboardItem::Extras& ClipboardItem::extras() {
    if (!m_extras)
        m_extras = std::make_unique<Extras>();
    return *m_extras;
}

std::optional<QString> ClipboardItem::extra(QString Extras::*field) const {
    if (!m_extras)
        return std::nullopt;
    return optionalText((*m_extras).*field);
}

void ClipboardItem::setExtra(QString Extras::*field, const std::optional<QString>& value) {
    if (!value) {
        if (m_extras)
            (*m_extras).*field = QString();
        return;
    }
    extras().*field = value->isNull() ? QStringLiteral("") : *value;
}

void ClipboardItem::setTitle(const std::optional<QString>& value) {
    setExtra(&Extras::title, value);
}
void ClipboardItem::setOcrText(const std::optional<QString>& value) {
    setExtra(&Extras::ocrText, value);
}
void ClipboardItem::setImageDimensions(const std::optional<QString>& value) {
    setExtra(&Extras::imageDimensions, value);
}
void ClipboardItem::setUrlString(const std::optional<QString>& value) {
    setExtra(&Extras::urlString, value);
}
void ClipboardItem::setFilePath(const std::optional<QString>& value) {
    setExtra(&Extras::filePath, value);
}
void ClipboardItem::setColorHex(const std::optional<QString>& value) {
    setExtra(&Extras::colorHex, value);
}

void ClipboardItem::setContentHash(const QString& hash) {
    // The usual SHA-256 digest is kept as its 32 bytes; anything else as text.
    bool isDigest = hash.size() == 64;
    for (qsizetype i = 0; isDigest && i < 32; ++i) {
        const int high = hexValue(hash[2 * i]);
        const int low = hexValue(hash[2 * i + 1]);
        isDigest = high >= 0 && low >= 0;
        if (isDigest)
            m_hash[size_t(i)] = quint8(high * 16 + low);
    }
    m_isDigestHash = isDigest;
    if (isDigest)
        setExtra(&Extras::contentHashText, std::nullopt);
    else
        setExtra(&Extras::contentHashText, hash);
}

QString ClipboardItem::contentHash() const {
    if (!m_isDigestHash)
        return extra(&Extras::contentHashText).value_or(QString());
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(m_hash.data()), 32).toHex());
}

quint64 ClipboardItem::hashKey() const {
    if (!m_isDigestHash)
        return qHash(contentHash());
    quint64 key = 0;
    for (size_t i = 0; i < 8; ++i)
        key = (key << 8) | m_hash[i];
    return key;
}

std::optional<ContentCategory> ClipboardItem::contentCategory() const {
    return contentCategoryFromRaw(m_category);
}

std::optional<QString> ClipboardItem::title() const {
    return extra(&Extras::title);
}
std::optional<QString> ClipboardItem::ocrText() const {
    return extra(&Extras::ocrText);
}
std::optional<QString> ClipboardItem::imageDimensions() const {
    return extra(&Extras::imageDimensions);
}
std::optional<QString> ClipboardItem::urlString() const {
    return extra(&Extras::urlString);
}
std::optional<QString> ClipboardItem::filePath() const {
    return extra(&Extras::filePath);
}
std::optional<QString> ClipboardItem::colorHex() const {
    return extra(&Extras::colorHex);
}

QDateTime ClipboardItem::copiedAt() const {
    return QDateTime::fromMSecsSinceEpoch(m_copiedAtMs, Qt::UTC);
}

std::optional<QByteArray> ClipboardItem::loadPayload(const char* column) const {
    const auto container = m_container.lock();
    if (!container || m_rowID == 0)
        return std::nullopt;
    const QByteArray sql =
        "SELECT " + QByteArray(column) + " FROM ClipboardItemPayload WHERE item = ?";
    SqliteStatement statement(container->handle(), sql.constData());
    statement.bind(1, m_rowID);
    if (statement.step() != SQLITE_ROW)
        return std::nullopt;
    return statement.optionalBytes(0);
}

QByteArray ClipboardItem::content() const {
    if (m_payload)
        return m_payload->content;
    return loadPayload("content").value_or(QByteArray());
}

std::optional<QByteArray> ClipboardItem::richTextData() const {
    if (m_payload)
        return m_payload->richTextData;
    return m_hasRichTextData ? loadPayload("richTextData") : std::nullopt;
}

std::optional<QByteArray> ClipboardItem::thumbnailData() const {
    if (m_payload)
        return m_payload->thumbnailData;
    return m_hasThumbnailData ? loadPayload("thumbnailData") : std::nullopt;
}

QList<QUrl> ClipboardItem::fileURLs() const {
    if (m_category != rawValue(ContentCategory::file))
        return {};
    const QByteArray bytes = content();
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        return {};
    QList<QUrl> urls;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        if (line.startsWith(u'/')) {
            urls.append(QUrl::fromLocalFile(line));
            continue;
        }
        const QUrl url(line, QUrl::StrictMode);
        if (url.isValid() && !url.isEmpty())
            urls.append(url);
    }
    return urls;
}

QByteArray ClipboardItem::previewImageData() const {
    if (auto thumbnail = thumbnailData())
        return *thumbnail;
    return content();
}

} // namespace quillbox
