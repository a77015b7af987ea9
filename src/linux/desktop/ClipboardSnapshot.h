#pragma once

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

namespace quillbox {

// What one read of the clipboard found: the targets its owner offered and the
// representations fetched from it, answered by type identifier. Immutable once
// built, so the reader thread can hand it to the main thread as it is.
class ClipboardSnapshot {
public:
    // The clipboard had no owner.
    ClipboardSnapshot() = default;
    // An owner offered these targets (in its order); some were fetched. An
    // owner that never listed its targets gives an empty list. `decodedText`
    // is the preferred text target's representation already decoded (as
    // ClipboardMime::decodeText would), when the reader did that on the way.
    ClipboardSnapshot(const QList<QByteArray>& targets,
                      const QHash<QByteArray, QByteArray>& representations,
                      std::optional<QString> decodedText = std::nullopt);

    bool hasOwner() const { return m_hasOwner; }
    const QList<QByteArray>& targets() const { return m_targets; }
    std::optional<QByteArray> representation(const QByteArray& target) const;
    // The bytes of all representations fetched.
    qsizetype byteSize() const { return m_byteSize; }
    qsizetype largestRepresentationSize() const;

    std::optional<QStringList> types() const;
    std::optional<QString> string(const QString& type) const;
    std::optional<QByteArray> data(const QString& type) const;
    std::optional<QList<QUrl>> fileURLs() const;
    std::optional<QColor> color() const;

    // The same owner's offer keeping only the representations of at most
    // maximumSize bytes: the others read as not fetched.
    ClipboardSnapshot withRepresentationsUpTo(qsizetype maximumSize) const;

private:
    bool m_hasOwner = false;
    QList<QByteArray> m_targets;
    QHash<QByteArray, QByteArray> m_representations;
    qsizetype m_byteSize = 0;
    QStringList m_types;
    std::optional<QString> m_text;
    // The text's UTF-8 as the owner sent it, when that is exactly what
    // encoding m_text would give: a large text is not encoded again.
    std::optional<QByteArray> m_textUtf8;
    std::optional<QByteArray> m_rtf;
    std::optional<QByteArray> m_html; // UTF-8, whatever the owner sent
    QString m_imageType;
    std::optional<QByteArray> m_image;
    std::optional<QString> m_url;
    QList<QByteArray> m_fileUrls; // percent-encoded, as offered
    std::optional<QByteArray> m_color;
};

} // namespace quillbox
