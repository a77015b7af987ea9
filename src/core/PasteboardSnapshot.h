#pragma once

#include "ports/Pasteboard.h"

namespace quillbox {

// A read-only pasteboard holding exactly the items given to it, read as the
// system clipboard reads a write: from the first item. Lets the parser see
// what Quillbox has just written without waiting for the desktop clipboard,
// which on X11 learns its new contents only asynchronously.
class PasteboardSnapshot : public Pasteboard {
public:
    explicit PasteboardSnapshot(QList<PasteboardItem> items);

    qint64 changeCount() const override { return 0; }
    std::optional<QStringList> types() const override;
    std::optional<QString> string(const QString& type) const override;
    std::optional<QByteArray> data(const QString& type) const override;
    std::optional<QList<QUrl>> fileURLs() const override;
    std::optional<QColor> color() const override;
    // A snapshot never changes; writes are dropped.
    bool write(const QList<PasteboardItem>&) override { return false; }

private:
    QList<PasteboardItem> m_items;
};

} // namespace quillbox
