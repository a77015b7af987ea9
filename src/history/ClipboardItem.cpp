#include "history/ClipboardItem.h"

#include "content/TextMetrics.h"
#include "history/HistoryDatabase.h"

#include <QMutex>
#include <QStringDecoder>
#include <QStringEncoder>
#include <cstring>
#include <unordered_map>

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

// Few distinct combinations exist (a handful of types times the applications
// in use), so one shared record per combination stands in for four strings
// per item. The records live for the whole process.
struct ClipboardItem::Origin {
    QString contentType;
    QString category;
    QString sourceAppBundleID; // null when absent
    QString sourceAppName;     // null when absent
};

namespace {

QString nonNull(const QString& text) {
    return text.isNull() ? QStringLiteral("") : text;
}

// Lower-case hexadecimal digits only: the digest's one spelling.
int hexValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

// Whether bytes are exactly text's UTF-8, compared a piece at a time so that
// a very long text is never encoded whole. A text with a lone surrogate has
// no exact UTF-8 and never matches.
bool isUtf8Of(const QString& text, const QByteArray& bytes) {
    // Each UTF-16 code unit takes one to three bytes.
    if (bytes.size() < text.size() || bytes.size() > 3 * text.size())
        return false;
    constexpr qsizetype pieceChars = 64 * 1024;
    QStringEncoder encoder(QStringEncoder::Utf8);
    const QByteArrayView all(bytes);
    qsizetype offset = 0;
    for (qsizetype start = 0; start < text.size(); start += pieceChars) {
        const QByteArray piece = encoder(QStringView(text).mid(start, pieceChars));
        if (offset + piece.size() > all.size() || all.sliced(offset, piece.size()) != piece)
            return false;
        offset += piece.size();
    }
    return offset == all.size() && !encoder.hasError();
}

} // namespace

ClipboardItem::ClipboardItem(StoredTag) {
}

std::shared_ptr<ClipboardItem>
ClipboardItem::fromCapture(const ParsedClipboardContent& content,
                           const std::optional<QString>& sourceAppBundleID,
                           const std::optional<QString>& sourceAppName) {
    auto item = std::make_shared<ClipboardItem>(StoredTag());
    item->m_payload = std::make_unique<Payload>(
        Payload{content.content, content.richTextData, content.thumbnailData, {}});
    item->m_copiedAtMs = QDateTime::currentMSecsSinceEpoch();
    item->m_id = QUuid::createUuid();
    if (content.plainText)
        item->setPlainText(*content.plainText, isUtf8Of(*content.plainText, content.content));
    item->m_hasRichTextData = content.richTextData.has_value();
    item->m_hasThumbnailData = content.thumbnailData.has_value();
    item->setOrigin(content.contentType, rawValue(content.category),
                    sourceAppBundleID ? nonNull(*sourceAppBundleID) : QString(),
                    sourceAppName ? nonNull(*sourceAppName) : QString());
    item->setContentHash(content.contentHash);
    item->setUrlString(content.urlString);
    item->setFilePath(content.filePath);
    item->setColorHex(content.colorHex);
    item->setImageDimensions(content.imageDimensions);
    item->setCharacterCount(content.characterCount);
    item->setTitle(content.title);
    return item;
}

void ClipboardItem::setPlainText(const QString& text, bool isInContent) {
    // Enough characters for the start, never the whole of a long text.
    const QByteArray utf8 =
        QStringView(text).first(std::min(text.size(), listingTextBytes + 1)).toUtf8();
    setPlainTextUtf8(utf8, isInContent, utf8.size() <= listingTextBytes);
    if (m_isPlainTextShortened && !isInContent && m_payload)
        m_payload->longPlainText = text; // written with the item, then read from the store
}

void ClipboardItem::setPlainTextUtf8(const QByteArray& utf8, bool isInContent, bool isWhole) {
    m_isPlainTextInContent = isInContent;
    m_isPlainTextShortened = !isWhole || utf8.size() > listingTextBytes;
    if (!m_isPlainTextShortened) {
        m_plainText = utf8.isNull() ? QByteArray("", 0) : utf8; // present, even when empty
        // Converting from UTF-16 reserves room for three bytes a character:
        // kept for the item's life, that room would outweigh the text.
        if (m_plainText.capacity() > m_plainText.size())
            m_plainText.squeeze();
        return;
    }
    qsizetype cut = std::min(utf8.size(), listingTextBytes);
    // Back to the first byte of a character: never half of one.
    while (cut > 0 && cut < utf8.size() && (quint8(utf8.at(cut)) & 0xC0) == 0x80)
        --cut;
    m_plainText = QByteArray(utf8.constData(), cut); // a copy of the start alone
}

ClipboardItem::ClipboardItem(QByteArray content, std::optional<QString> plainText,
                             std::optional<QByteArray> richTextData, QString contentType,
                             ContentCategory category, std::optional<QString> sourceAppBundleID,
                             std::optional<QString> sourceAppName, QString contentHash)
    : m_payload(
          std::make_unique<Payload>(Payload{std::move(content), std::move(richTextData), {}, {}}))
    , m_copiedAtMs(QDateTime::currentMSecsSinceEpoch())
    , m_id(QUuid::createUuid()) {
    if (plainText) {
        setCharacterCount(quillbox::characterCount(*plainText));
        setPlainText(*plainText, isUtf8Of(*plainText, m_payload->content));
    }
    m_hasRichTextData = m_payload->richTextData.has_value();
    setOrigin(contentType, rawValue(category),
              sourceAppBundleID ? nonNull(*sourceAppBundleID) : QString(),
              sourceAppName ? nonNull(*sourceAppName) : QString());
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
    extras().*field = nonNull(*value);
}

void ClipboardItem::setOrigin(const QString& contentType, const QString& category,
                              const QString& sourceAppBundleID, const QString& sourceAppName) {
    struct Key {
        QString contentType, category, sourceAppBundleID, sourceAppName;
        bool bundleIDPresent, namePresent;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& key) const {
            return qHashMulti(0, key.contentType, key.category, key.sourceAppBundleID,
                              key.sourceAppName, key.bundleIDPresent, key.namePresent);
        }
    };
    static QMutex mutex;
    static std::unordered_map<Key, const Origin*, KeyHash> origins;
    const Key key{contentType,
                  category,
                  sourceAppBundleID,
                  sourceAppName,
                  !sourceAppBundleID.isNull(),
                  !sourceAppName.isNull()};
    QMutexLocker locker(&mutex);
    const Origin*& origin = origins[key];
    if (!origin)
        origin =
            new Origin{nonNull(contentType), nonNull(category), sourceAppBundleID, sourceAppName};
    m_origin = origin;
}

void ClipboardItem::setCharacterCount(std::optional<qint64> count) {
    m_hasCharacterCount = count.has_value();
    m_characterCount = count.value_or(0);
}

QString ClipboardItem::contentType() const {
    return m_origin ? m_origin->contentType : QStringLiteral("public.utf8-plain-text");
}
QString ClipboardItem::category() const {
    return m_origin ? m_origin->category : rawValue(ContentCategory::text);
}
std::optional<QString> ClipboardItem::sourceAppBundleID() const {
    return m_origin ? optionalText(m_origin->sourceAppBundleID) : std::nullopt;
}
std::optional<QString> ClipboardItem::sourceAppName() const {
    return m_origin ? optionalText(m_origin->sourceAppName) : std::nullopt;
}
std::optional<qint64> ClipboardItem::characterCount() const {
    if (!m_hasCharacterCount)
        return std::nullopt;
    return m_characterCount;
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
    const char16_t* digits = reinterpret_cast<const char16_t*>(hash.utf16());
    for (qsizetype i = 0; isDigest && i < 32; ++i) {
        const int high = hexValue(digits[2 * i]);
        const int low = hexValue(digits[2 * i + 1]);
        isDigest = (high | low) >= 0;
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

bool ClipboardItem::hashLess(const ClipboardItem& a, const ClipboardItem& b) {
    if (a.m_isDigestHash != b.m_isDigestHash)
        return a.m_isDigestHash;
    if (a.m_isDigestHash)
        return std::memcmp(a.m_hash.data(), b.m_hash.data(), a.m_hash.size()) < 0;
    return a.contentHash() < b.contentHash();
}

bool ClipboardItem::hasSameHash(const ClipboardItem& other) const {
    if (m_isDigestHash != other.m_isDigestHash)
        return false;
    return m_isDigestHash ? m_hash == other.m_hash : contentHash() == other.contentHash();
}

std::optional<ContentCategory> ClipboardItem::contentCategory() const {
    return contentCategoryFromRaw(category());
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

std::optional<QString> ClipboardItem::plainTextPreview() const {
    if (m_plainText.isNull())
        return std::nullopt;
    return nonNull(QString::fromUtf8(m_plainText));
}

std::optional<QString> ClipboardItem::plainText() const {
    if (!m_isPlainTextShortened)
        return plainTextPreview();
    if (m_payload)
        return m_isPlainTextInContent ? QString::fromUtf8(m_payload->content)
                                      : m_payload->longPlainText;
    if (m_database && m_rowID != 0) {
        if (auto whole = m_database->plainText(m_rowID, m_isPlainTextInContent))
            return whole;
    }
    // Once the item has left its store, its start is all there is.
    return plainTextPreview();
}

qint64 ClipboardItem::contentSize() const {
    if (m_payload)
        return m_payload->content.size();
    if (!m_database || m_rowID == 0)
        return 0;
    return m_database->payloadSize(m_rowID, HistoryDatabase::PayloadColumn::content);
}

QByteArray ClipboardItem::readContent(qint64 offset, qint64 maxBytes) const {
    if (offset < 0 || maxBytes <= 0)
        return {};
    if (m_payload)
        return m_payload->content.mid(offset, maxBytes);
    if (!m_database || m_rowID == 0)
        return {};
    return m_database->readPayload(m_rowID, HistoryDatabase::PayloadColumn::content, offset,
                                   maxBytes);
}

QByteArray ClipboardItem::content() const {
    if (m_payload)
        return m_payload->content;
    if (!m_database || m_rowID == 0)
        return {};
    return m_database->payload(m_rowID, HistoryDatabase::PayloadColumn::content)
        .value_or(QByteArray());
}

std::optional<QByteArray> ClipboardItem::richTextData() const {
    if (m_payload)
        return m_payload->richTextData;
    if (!m_hasRichTextData || !m_database || m_rowID == 0)
        return std::nullopt;
    return m_database->payload(m_rowID, HistoryDatabase::PayloadColumn::richTextData);
}

std::optional<QByteArray> ClipboardItem::thumbnailData() const {
    if (m_payload)
        return m_payload->thumbnailData;
    if (!m_hasThumbnailData || !m_database || m_rowID == 0)
        return std::nullopt;
    return m_database->payload(m_rowID, HistoryDatabase::PayloadColumn::thumbnailData);
}

QList<QUrl> ClipboardItem::fileURLs() const {
    if (category() != rawValue(ContentCategory::file))
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
