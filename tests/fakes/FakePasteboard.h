#pragma once

#include "ports/Pasteboard.h"

#include <QHash>

namespace quillbox::testing {

// A clipboard held in memory. Tests set what is on it; writes are recorded
// and, like the real one, replace the contents and move the change count.
class FakePasteboard : public Pasteboard {
public:
    qint64 changeCount() const override { return m_changeCount; }
    std::optional<QStringList> types() const override { return m_types; }
    std::optional<QString> string(const QString& type) const override;
    std::optional<QByteArray> data(const QString& type) const override;
    std::optional<QList<QUrl>> fileURLs() const override { return m_fileURLs; }
    std::optional<QColor> color() const override { return m_color; }
    void write(const QList<PasteboardItem>& items) override;

    // Arranging the contents, as another application's copy would.
    void setContents(const QStringList& types);
    void setData(const QString& type, const QByteArray& data);
    void setString(const QString& type, const QString& string);
    void setFileURLs(const std::optional<QList<QUrl>>& urls) { m_fileURLs = urls; }
    void setColor(const std::optional<QColor>& color) { m_color = color; }
    void setTypesToNone() { m_types.reset(); }

    // What was written, write by write.
    const QList<QList<PasteboardItem>>& writes() const { return m_writes; }
    // How many times a representation was read, by type.
    int readCount(const QString& type) const { return m_readCounts.value(type); }

private:
    qint64 m_changeCount = 0;
    std::optional<QStringList> m_types;
    QHash<QString, QByteArray> m_data;
    std::optional<QList<QUrl>> m_fileURLs;
    std::optional<QColor> m_color;
    QList<QList<PasteboardItem>> m_writes;
    mutable QHash<QString, int> m_readCounts;
};

} // namespace quillbox::testing
