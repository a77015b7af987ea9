#include "FakePasteboard.h"

namespace quillbox::testing {

std::optional<QString> FakePasteboard::string(const QString& type) const {
    ++m_readCounts[type];
    const auto it = m_data.constFind(type);
    if (it == m_data.cend())
        return std::nullopt;
    return QString::fromUtf8(*it);
}

std::optional<QByteArray> FakePasteboard::data(const QString& type) const {
    ++m_readCounts[type];
    const auto it = m_data.constFind(type);
    if (it == m_data.cend())
        return std::nullopt;
    return *it;
}

void FakePasteboard::write(const QList<PasteboardItem>& items) {
    m_writes.append(items);
    m_data.clear();
    m_fileURLs.reset();
    m_color.reset();
    QStringList types;
    // Like the system clipboard, reads answer from the first item.
    if (!items.isEmpty()) {
        for (const auto& type : items.first().types()) {
            types.append(type);
            m_data.insert(type, *items.first().data(type));
        }
    }
    m_types = types;
    ++m_changeCount;
}

void FakePasteboard::setContents(const QStringList& types) {
    m_types = types;
    m_data.clear();
    m_fileURLs.reset();
    m_color.reset();
    ++m_changeCount;
}

void FakePasteboard::setData(const QString& type, const QByteArray& data) {
    m_data.insert(type, data);
}

void FakePasteboard::setString(const QString& type, const QString& string) {
    m_data.insert(type, string.toUtf8());
}

} // namespace quillbox::testing
