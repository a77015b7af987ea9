#include "linux/desktop/ClipboardSnapshot.h"

#include "content/PasteboardTypes.h"
#include "linux/desktop/ClipboardMime.h"

#include <algorithm>

namespace quillbox {

ClipboardSnapshot::ClipboardSnapshot(const QList<QByteArray>& targets,
                                     const QHash<QByteArray, QByteArray>& representations,
                                     std::optional<QString> decodedText)
    : m_hasOwner(true)
    , m_targets(targets)
    , m_representations(representations) {
    for (const auto& bytes : representations)
        m_byteSize += bytes.size();
    const auto fetched = [this](const std::optional<QByteArray>& target) {
        return target ? representation(*target) : std::nullopt;
    };
    if (const auto target = ClipboardMime::preferredTextTarget(targets)) {
        if (const auto text = representation(*target)) {
            m_text =
                decodedText ? std::move(*decodedText) : ClipboardMime::decodeText(*text, *target);
            m_textUtf8 = ClipboardMime::textAsSentInUtf8(*text, *target);
        }
    }
    m_rtf = fetched(ClipboardMime::preferredRtfTarget(targets));
    if (const auto html = fetched(ClipboardMime::preferredHtmlTarget(targets)))
        m_html = ClipboardMime::htmlAsUtf8(*html);
    if (const auto target = ClipboardMime::preferredImageTarget(targets)) {
        m_imageType = *ClipboardMime::typeForTarget(*target);
        m_image = representation(*target);
    }
    m_color = representation(ClipboardMime::colorTarget);

    QList<QByteArray> otherUrls;
    if (const auto uriList = representation(ClipboardMime::uriListTarget)) {
        for (const auto& entry : ClipboardMime::uriListEntries(*uriList))
            (ClipboardMime::isFileUrl(entry) ? m_fileUrls : otherUrls).append(entry);
    } else if (const auto copied = representation(ClipboardMime::gnomeCopiedFilesTarget)) {
        for (const auto& entry : ClipboardMime::gnomeCopiedFilesEntries(*copied)) {
            if (ClipboardMime::isFileUrl(entry))
                m_fileUrls.append(entry);
        }
    }
    if (const auto mozUrl = representation(ClipboardMime::mozUrlTarget))
        m_url = ClipboardMime::decodeMozUrl(*mozUrl);
    // A URI list stands for a web address only when it names no files.
    if (!m_url && m_fileUrls.isEmpty() && !otherUrls.isEmpty())
        m_url = QString::fromUtf8(otherUrls.first());

    for (const auto& target : targets) {
        std::optional<QString> type;
        if (target.compare(ClipboardMime::uriListTarget, Qt::CaseInsensitive) == 0) {
            if (!m_fileUrls.isEmpty())
                type = PasteboardType::fileURL;
            else if (!otherUrls.isEmpty())
                type = PasteboardType::url;
        } else if (target == ClipboardMime::gnomeCopiedFilesTarget) {
            if (!m_fileUrls.isEmpty())
                type = PasteboardType::fileURL;
        } else {
            type = ClipboardMime::typeForTarget(target);
        }
        if (type && !m_types.contains(*type))
            m_types.append(*type);
    }
}

std::optional<QByteArray> ClipboardSnapshot::representation(const QByteArray& target) const {
    const auto it = m_representations.constFind(target);
    if (it != m_representations.cend())
        return *it;
    // Targets are looked up by their MIME name whatever its letter case.
    for (auto other = m_representations.cbegin(); other != m_representations.cend(); ++other) {
        if (other.key().compare(target, Qt::CaseInsensitive) == 0)
            return other.value();
    }
    return std::nullopt;
}

std::optional<QStringList> ClipboardSnapshot::types() const {
    if (!m_hasOwner)
        return std::nullopt;
    return m_types;
}

std::optional<QString> ClipboardSnapshot::string(const QString& type) const {
    if (!m_types.contains(type))
        return std::nullopt;
    if (type == PasteboardType::string)
        return m_text;
    if (type == PasteboardType::url)
        return m_url;
    if (const auto bytes = data(type))
        return QString::fromUtf8(*bytes);
    return std::nullopt;
}

std::optional<QByteArray> ClipboardSnapshot::data(const QString& type) const {
    if (!m_types.contains(type))
        return std::nullopt;
    if (type == PasteboardType::string) {
        if (m_textUtf8)
            return m_textUtf8;
        return m_text ? std::optional(m_text->toUtf8()) : std::nullopt;
    }
    if (type == PasteboardType::rtf)
        return m_rtf;
    if (type == PasteboardType::html)
        return m_html;
    if (type == m_imageType)
        return m_image;
    if (type == PasteboardType::url)
        return m_url ? std::optional(m_url->toUtf8()) : std::nullopt;
    if (type == PasteboardType::fileURL)
        return m_fileUrls.isEmpty() ? std::nullopt : std::optional(m_fileUrls.first());
    if (type == PasteboardType::color)
        return m_color;
    return std::nullopt;
}

std::optional<QList<QUrl>> ClipboardSnapshot::fileURLs() const {
    if (m_fileUrls.isEmpty())
        return std::nullopt;
    QList<QUrl> urls;
    for (const auto& entry : m_fileUrls) {
        const QUrl url = QUrl::fromEncoded(entry);
        if (url.isValid() && url.isLocalFile())
            urls.append(url);
    }
    if (urls.isEmpty())
        return std::nullopt;
    return urls;
}

std::optional<QColor> ClipboardSnapshot::color() const {
    if (!m_color)
        return std::nullopt;
    return decodeColorData(*m_color);
}

qsizetype ClipboardSnapshot::largestRepresentationSize() const {
    qsizetype largest = 0;
    for (const QByteArray& bytes : m_representations)
        largest = std::max(largest, bytes.size());
    return largest;
}

ClipboardSnapshot ClipboardSnapshot::withRepresentationsUpTo(qsizetype maximumSize) const {
    if (!m_hasOwner)
        return {};
    QHash<QByteArray, QByteArray> kept;
    for (auto it = m_representations.cbegin(); it != m_representations.cend(); ++it) {
        if (it.value().size() <= maximumSize)
            kept.insert(it.key(), it.value());
    }
    return ClipboardSnapshot(m_targets, kept);
}

} // namespace quillbox
