#include "FakePasteboard.h"

namespace quillbox::testing {

FakePasteboard::FakePasteboard()
    : m_readCounts(std::make_shared<QHash<QString, int>>()) {
}

std::optional<QString> FakePasteboard::string(const QString& type) const {
    ++(*m_readCounts)[type];
    const auto it = m_data.constFind(type);
    if (it == m_data.cend())
        return std::nullopt;
    return QString::fromUtf8(*it);
}

std::optional<QByteArray> FakePasteboard::data(const QString& type) const {
    ++(*m_readCounts)[type];
    const auto it = m_data.constFind(type);
    if (it == m_data.cend())
        return std::nullopt;
    return *it;
}

bool FakePasteboard::write(const QList<PasteboardItem>& items) {
    if (m_refusesWrites)
        return false;
    queueCurrentChange();
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
    announceChange();
    return true;
}

void FakePasteboard::setContents(const QStringList& types) {
    queueCurrentChange();
    m_types = types;
    m_data.clear();
    m_fileURLs.reset();
    m_color.reset();
    ++m_changeCount;
    announceChange();
}

void FakePasteboard::setData(const QString& type, const QByteArray& data) {
    m_data.insert(type, data);
}

void FakePasteboard::setString(const QString& type, const QString& string) {
    m_data.insert(type, string.toUtf8());
}

QList<std::shared_ptr<const Pasteboard>> FakePasteboard::takePendingChanges() {
    queueCurrentChange();
    return std::exchange(m_pendingChanges, {});
}

void FakePasteboard::announceChange() {
    if (m_notifiesChanges && onContentsChanged)
        onContentsChanged();
}

void FakePasteboard::queueCurrentChange() {
    if (m_changeCount == m_queuedThrough)
        return;
    // A copy of the contents, reads counted with ours; its own queue is empty.
    auto change = std::make_shared<FakePasteboard>(*this);
    change->m_pendingChanges.clear();
    change->m_writes.clear();
    m_pendingChanges.append(std::move(change));
    m_queuedThrough = m_changeCount;
}

} // namespace quillbox::testing
