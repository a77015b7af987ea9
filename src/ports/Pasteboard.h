#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace quillbox {

// One item of a clipboard write: representations by type identifier, in the
// order they were set. A string is stored as its UTF-8 bytes.
class PasteboardItem {
public:
    void setData(const QByteArray& data, const QString& type) {
        for (auto& entry : m_entries) {
            if (entry.first == type) {
                entry.second = data;
                return;
            }
        }
        m_entries.emplace_back(type, data);
    }
    void setString(const QString& string, const QString& type) { setData(string.toUtf8(), type); }

    QStringList types() const {
        QStringList result;
        for (const auto& entry : m_entries)
            result.append(entry.first);
        return result;
    }
    std::optional<QByteArray> data(const QString& type) const {
        for (const auto& entry : m_entries) {
            if (entry.first == type)
                return entry.second;
        }
        return std::nullopt;
    }
    std::optional<QString> string(const QString& type) const {
        if (auto bytes = data(type))
            return QString::fromUtf8(*bytes);
        return std::nullopt;
    }
    bool isEmpty() const { return m_entries.empty(); }

    friend bool operator==(const PasteboardItem&, const PasteboardItem&) = default;

private:
    std::vector<std::pair<QString, QByteArray>> m_entries;
};

// The system clipboard as Quillbox sees it: a change counter, typed
// representations named by type identifier ("public.utf8-plain-text", ...),
// and ordered writes of items. Reads never change the contents or the count,
// and never wait on another process.
class Pasteboard {
public:
    virtual ~Pasteboard() = default;

    // Moves with every write, Quillbox's own included. Only compared for
    // inequality with the value seen last.
    virtual qint64 changeCount() const = 0;

    // The types of the current contents, or none when nothing is there.
    virtual std::optional<QStringList> types() const = 0;
    virtual std::optional<QString> string(const QString& type) const = 0;
    virtual std::optional<QByteArray> data(const QString& type) const = 0;

    // The file URLs on the clipboard, in order (file scheme only), or none.
    virtual std::optional<QList<QUrl>> fileURLs() const = 0;

    // The colour on the clipboard, or none.
    virtual std::optional<QColor> color() const = 0;

    // Replaces the contents with the items, in order: one change. Answers
    // whether the clipboard now holds them (false: the platform refused, and
    // the contents are as they were).
    virtual bool write(const QList<PasteboardItem>& items) = 0;

    // The changes since the last call, oldest first, each as the contents it
    // brought (read-only; its changeCount() is the count that change moved the
    // clipboard to). Lets a reader that polls more slowly than copies come see
    // every one of them. The record is bounded, so the oldest may be missing;
    // a pasteboard that keeps no record answers none.
    virtual QList<std::shared_ptr<const Pasteboard>> takePendingChanges() { return {}; }

    // Whether onContentsChanged is called. Where it is not, the only way to
    // see a change is to compare changeCount() from time to time.
    virtual bool notifiesChanges() const { return false; }
    // Called on the main thread once a change has moved the change count and
    // its contents can be read (and taken with takePendingChanges()), for
    // Quillbox's own writes too. Called from within the change, so a handler
    // that reads or writes the clipboard should do so later.
    std::function<void()> onContentsChanged;

    // Calls `ready` once the contents found at start have been read: at once
    // where they already have been (or are read on demand), else later on the
    // main thread. A platform whose owner never answers may never call it.
    virtual void whenInitialContentsRead(std::function<void()> ready) { ready(); }

    // Called on the main thread, after the change it brought, when the program
    // that held the clipboard went away and left it empty (it quit without
    // handing its contents over). Not for an owner that clears it itself.
    std::function<void()> onOwnerVanished;
    // Whether Quillbox keeps what such an owner held (the preference, and not
    // paused): where applications ask a clipboard manager to save their
    // contents before they quit, the answer says so.
    virtual void setKeepsContentsOfOwnersThatQuit(bool keeps) { (void)keeps; }

    // Whether onOfferRead is called: where the platform lets Quillbox see
    // other programs take content from what it wrote.
    virtual bool reportsOfferReads() const { return false; }
    // Called on the main thread after another program took content (more
    // than the list of types) from what Quillbox last wrote, as a paste of it
    // does. Never for Quillbox's own reads.
    std::function<void()> onOfferRead;
};

} // namespace quillbox
