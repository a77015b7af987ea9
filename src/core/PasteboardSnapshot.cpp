#include "core/PasteboardSnapshot.h"

#include "content/PasteboardTypes.h"

namespace quillbox {

PasteboardSnapshot::PasteboardSnapshot(QList<PasteboardItem> items)
    : m_items(std::move(items)) {
}

std::optional<QStringList> PasteboardSnapshot::types() const {
    if (m_items.isEmpty() || m_items.first().isEmpty())
        return std::nullopt;
    return m_items.first().types();
}

std::optional<QString> PasteboardSnapshot::string(const QString& type) const {
    if (m_items.isEmpty())
        return std::nullopt;
    return m_items.first().string(type);
}

std::optional<QByteArray> PasteboardSnapshot::data(const QString& type) const {
    if (m_items.isEmpty())
        return std::nullopt;
    return m_items.first().data(type);
}

std::optional<QList<QUrl>> PasteboardSnapshot::fileURLs() const {
    // Every item may carry file URLs, one per line, as a multi-item write of
    // several files does.
    QList<QUrl> urls;
    for (const auto& item : m_items) {
        const auto text = item.string(PasteboardType::fileURL);
        if (!text)
            continue;
        for (const auto& line : text->split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QUrl url(line.trimmed(), QUrl::StrictMode);
            if (url.isValid() && url.isLocalFile())
                urls.append(url);
        }
    }
    if (urls.isEmpty())
        return std::nullopt;
    return urls;
}

std::optional<QColor> PasteboardSnapshot::color() const {
    if (const auto bytes = data(PasteboardType::color))
        return decodeColorData(*bytes);
    return std::nullopt;
}

} // namespace quillbox
