#pragma once

#include "content/ContentCategory.h"
#include "content/ParsedClipboardContent.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>
#include <QUuid>
#include <array>
#include <memory>
#include <optional>

namespace quillbox {

class HistoryDatabase;

// One captured clipboard entry of the history. The store owns one object per
// stored record, so two pointers to the same record are the same object; the
// three large payloads are read from the database on access, never kept here,
// and so is a long plain text: the item keeps the start of it (its first
// listingTextBytes of UTF-8) for cards and lists. Fields change only through HistoryStore.
class ClipboardItem {
public:
    // The creation rule: a new id, copiedAt now, not pinned, and characterCount
    // (grapheme clusters) only when there is plain text.
    ClipboardItem(QByteArray content, std::optional<QString> plainText,
                  std::optional<QByteArray> richTextData, QString contentType,
                  ContentCategory category, std::optional<QString> sourceAppBundleID,
                  std::optional<QString> sourceAppName, QString contentHash);
    ~ClipboardItem();
    ClipboardItem(const ClipboardItem&) = delete;
    ClipboardItem& operator=(const ClipboardItem&) = delete;

    // Plain texts whose UTF-8 is longer than this are kept here only as their
    // start; a card shows a few lines, a list row one.
    static constexpr qsizetype listingTextBytes = 8192;

    QUuid id() const { return m_id; }
    // The whole plain text. A long one is read from the store on each access.
    std::optional<QString> plainText() const;
    // The plain text, or the start of a long one (whole characters, at most
    // listingTextBytes of UTF-8); never reads the store. For showing and listing.
    std::optional<QString> plainTextPreview() const;
    // The same start as UTF-8, as the item holds it (empty when there is no
    // plain text); valid until the item's text changes.
    QByteArrayView plainTextPreviewUtf8() const { return m_plainText; }
    bool hasPlainText() const { return !m_plainText.isNull(); }
    bool isPlainTextShortened() const { return m_isPlainTextShortened; }
    // Whether the plain text is exactly the content read as UTF-8 (a copied
    // text or code): the store then keeps the bytes once, as the content.
    bool isPlainTextContent() const { return m_isPlainTextInContent; }
    QString contentType() const;
    QString category() const; // the raw ContentCategory string
    std::optional<ContentCategory> contentCategory() const;
    std::optional<QString> title() const;
    std::optional<QString> sourceAppBundleID() const;
    std::optional<QString> sourceAppName() const;
    std::optional<QString> ocrText() const;
    std::optional<qint64> characterCount() const;
    std::optional<QString> imageDimensions() const;
    std::optional<QString> urlString() const;
    std::optional<QString> filePath() const;
    std::optional<QString> colorHex() const;
    QString contentHash() const;
    QDateTime copiedAt() const;
    bool isPinned() const { return m_isPinned; }

    // Payloads: read from the store on each access (empty once the item is
    // deleted or its store closed).
    QByteArray content() const;
    std::optional<QByteArray> richTextData() const;
    std::optional<QByteArray> thumbnailData() const;
    bool hasRichTextData() const { return m_hasRichTextData; }
    bool hasThumbnailData() const { return m_hasThumbnailData; }

    // The content in pieces, for callers that stream it (an export): its size
    // in bytes, and up to maxBytes of it from offset (fewer at its end, none
    // past it or once the item has left its store).
    qint64 contentSize() const;
    QByteArray readContent(qint64 offset, qint64 maxBytes) const;

    // File items only: one URL per non-empty line of content ("/..." is a path).
    QList<QUrl> fileURLs() const;
    // The thumbnail when there is one, else the full content.
    QByteArray previewImageData() const;

    // Persistent identity: the record's key in the store; 0 before it is stored
    // and after it is deleted.
    qint64 persistentID() const { return m_rowID; }

private:
    friend class HistoryStore;
    friend class HistoryDatabase;

    struct Extras; // the rarely present texts, allocated only when one is set
    struct Origin; // type, category and source, shared by every item with the same four
    struct StoredTag {
        explicit StoredTag() = default;
    };
    struct Payload {
        QByteArray content;
        std::optional<QByteArray> richTextData;
        std::optional<QByteArray> thumbnailData;
        QString longPlainText; // a shortened text not in the content, until written
    };

public:
    explicit ClipboardItem(StoredTag); // for rows read from the store

private:
    // A new item from captured content, with the capture side's fields set
    // as recording sets them (its character count, not one counted again).
    static std::shared_ptr<ClipboardItem>
    fromCapture(const ParsedClipboardContent& content,
                const std::optional<QString>& sourceAppBundleID,
                const std::optional<QString>& sourceAppName);
    // Keeps the text whole, or its start when it is long.
    void setPlainText(const QString& text, bool isInContent);
    // The same from UTF-8; `isWhole` false says the bytes are only the start
    // of a longer text.
    void setPlainTextUtf8(const QByteArray& utf8, bool isInContent, bool isWhole);
    static std::optional<QString> optionalText(const QString& text);
    Extras& extras();
    std::optional<QString> extra(QString Extras::*field) const;
    void setExtra(QString Extras::*field, const std::optional<QString>& value);
    void setContentHash(const QString& hash);
    void setOrigin(const QString& contentType, const QString& category,
                   const QString& sourceAppBundleID, const QString& sourceAppName);
    void setCharacterCount(std::optional<qint64> count);
    void setTitle(const std::optional<QString>& value);
    void setOcrText(const std::optional<QString>& value);
    void setImageDimensions(const std::optional<QString>& value);
    void setUrlString(const std::optional<QString>& value);
    void setFilePath(const std::optional<QString>& value);
    void setColorHex(const std::optional<QString>& value);
    // Orders items by content hash, for the store's index.
    static bool hashLess(const ClipboardItem& a, const ClipboardItem& b);
    bool hasSameHash(const ClipboardItem& other) const;

    // Listing a large history keeps every item in memory: the fields are laid
    // out to keep each one small. The payload is present only while the item
    // is not (yet) saved.
    std::unique_ptr<Payload> m_payload;
    std::unique_ptr<Extras> m_extras;
    // Where stored payloads are read; cleared when the item leaves its store.
    HistoryDatabase* m_database = nullptr;
    const Origin* m_origin = nullptr; // absent: the defaults, plain text without a source
    qint64 m_rowID = 0;
    qint64 m_copiedAtMs = 0; // UTC milliseconds since the epoch
    qint64 m_characterCount = 0;
    QUuid m_id;
    // Absent optionals are null QStrings, so an empty text stays apart from none.
    // The plain text as UTF-8, half the size of UTF-16 for most texts; null
    // when there is none.
    QByteArray m_plainText;
    std::array<quint8, 32> m_hash{};
    bool m_isDigestHash = false; // else the hash text is kept in the extras
    bool m_hasCharacterCount = false;
    bool m_isPinned = false;
    bool m_hasRichTextData = false;
    bool m_hasThumbnailData = false;
    bool m_isPlainTextInContent = false;
    bool m_isPlainTextShortened = false; // m_plainText is only the start
};

using ClipboardItemPtr = std::shared_ptr<ClipboardItem>;

} // namespace quillbox
