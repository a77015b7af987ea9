#pragma once

#include "content/ContentCategory.h"

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

class StoreContainer;

// One captured clipboard entry of the history. The store owns one object per
// stored record, so two pointers to the same record are the same object; the
// three large payloads are read from the database on access, never kept here.
// Fields change only through HistoryStore.
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

    QUuid id() const { return m_id; }
    std::optional<QString> plainText() const { return optionalText(m_plainText); }
    QString contentType() const { return m_contentType; }
    QString category() const { return m_category; } // the raw ContentCategory string
    std::optional<ContentCategory> contentCategory() const;
    std::optional<QString> title() const;
    std::optional<QString> sourceAppBundleID() const { return optionalText(m_sourceAppBundleID); }
    std::optional<QString> sourceAppName() const { return optionalText(m_sourceAppName); }
    std::optional<QString> ocrText() const;
    std::optional<qint64> characterCount() const { return m_characterCount; }
    std::optional<QString> imageDimensions() const;
    std::optional<QString> urlString() const;
    std::optional<QString> filePath() const;
    std::optional<QString> colorHex() const;
    QString contentHash() const;
    QDateTime copiedAt() const;
    bool isPinned() const { return m_isPinned; }

    // Payloads: read from the store on each access (empty once the item is deleted).
    QByteArray content() const;
    std::optional<QByteArray> richTextData() const;
    std::optional<QByteArray> thumbnailData() const;
    bool hasRichTextData() const { return m_hasRichTextData; }
    bool hasThumbnailData() const { return m_hasThumbnailData; }

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
    struct Payload {
        QByteArray content;
        std::optional<QByteArray> richTextData;
        std::optional<QByteArray> thumbnailData;
    };

    ClipboardItem(); // for rows read from the store
    static std::optional<QString> optionalText(const QString& text);
    Extras& extras();
    std::optional<QString> extra(QString Extras::*field) const;
    void setExtra(QString Extras::*field, const std::optional<QString>& value);
    void setContentHash(const QString& hash);
    void setTitle(const std::optional<QString>& value);
    void setOcrText(const std::optional<QString>& value);
    void setImageDimensions(const std::optional<QString>& value);
    void setUrlString(const std::optional<QString>& value);
    void setFilePath(const std::optional<QString>& value);
    void setColorHex(const std::optional<QString>& value);
    quint64 hashKey() const; // the first eight digest bytes, for the store's index
    std::optional<QByteArray> loadPayload(const char* column) const;

    // Present while the item is not (yet) in the store, or its insert is unsaved.
    std::unique_ptr<Payload> m_payload;
    std::unique_ptr<Extras> m_extras;
    std::weak_ptr<StoreContainer> m_container;
    qint64 m_rowID = 0;
    qint64 m_copiedAtMs = 0; // UTC milliseconds since the epoch
    std::optional<qint64> m_characterCount;
    QUuid m_id;
    // Absent optionals are null QStrings, so an empty text stays apart from none.
    QString m_plainText;
    QString m_contentType;
    QString m_category;
    QString m_sourceAppBundleID;
    QString m_sourceAppName;
    std::array<quint8, 32> m_hash{};
    bool m_isDigestHash = false; // else the hash text is kept in the extras
    bool m_isPinned = false;
    bool m_hasRichTextData = false;
    bool m_hasThumbnailData = false;
};

using ClipboardItemPtr = std::shared_ptr<ClipboardItem>;

} // namespace quillbox
