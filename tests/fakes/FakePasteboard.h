#pragma once

#include "ports/Pasteboard.h"

#include <QHash>
#include <memory>

namespace quillbox::testing {

// A clipboard held in memory. Tests set what is on it; writes are recorded
// and, like the real one, replace the contents and move the change count.
// Each change is also queued for takePendingChanges() as it stands when the
// next one begins (or when the queue is taken), and announced through
// onContentsChanged as it begins (a handler looks later, as it must anyway).
class FakePasteboard : public Pasteboard {
public:
    FakePasteboard();

    qint64 changeCount() const override { return m_changeCount; }
    std::optional<QStringList> types() const override { return m_types; }
    std::optional<QString> string(const QString& type) const override;
    std::optional<QByteArray> data(const QString& type) const override;
    std::optional<QList<QUrl>> fileURLs() const override { return m_fileURLs; }
    std::optional<QColor> color() const override { return m_color; }
    bool write(const QList<PasteboardItem>& items) override;
    QList<std::shared_ptr<const Pasteboard>> takePendingChanges() override;
    bool notifiesChanges() const override { return m_notifiesChanges; }

    // Arranging the contents, as another application's copy would.
    void setContents(const QStringList& types);
    void setData(const QString& type, const QByteArray& data);
    void setString(const QString& type, const QString& string);
    void setFileURLs(const std::optional<QList<QUrl>>& urls) { m_fileURLs = urls; }
    void setColor(const std::optional<QColor>& color) { m_color = color; }
    void setTypesToNone() { m_types.reset(); }
    // Writes fail and change nothing, as where the platform refuses them.
    void setRefusesWrites(bool refuses) { m_refusesWrites = refuses; }
    // As a platform that cannot tell of changes: onContentsChanged is never
    // called.
    void setNotifiesChanges(bool notifies) { m_notifiesChanges = notifies; }

    // What was written, write by write.
    const QList<QList<PasteboardItem>>& writes() const { return m_writes; }
    // How many times a representation was read, by type (queued changes'
    // reads included).
    int readCount(const QString& type) const { return m_readCounts->value(type); }

private:
    void queueCurrentChange();
    void announceChange();

    qint64 m_changeCount = 0;
    std::optional<QStringList> m_types;
    QHash<QString, QByteArray> m_data;
    std::optional<QList<QUrl>> m_fileURLs;
    std::optional<QColor> m_color;
    QList<QList<PasteboardItem>> m_writes;
    bool m_refusesWrites = false;
    bool m_notifiesChanges = true;
    std::shared_ptr<QHash<QString, int>> m_readCounts;
    QList<std::shared_ptr<const Pasteboard>> m_pendingChanges;
    qint64 m_queuedThrough = 0; // the change count last queued
};

} // namespace quillbox::testing
