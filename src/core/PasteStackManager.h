#pragma once

#include <QList>
#include <QObject>
#include <memory>

namespace quillbox {

class ClipboardItem;
using ClipboardItemPtr = std::shared_ptr<ClipboardItem>;

// The Paste Stack's state: whether a run is collecting and pasting, the items
// copied during the run in copy order, and which one is pasted next. It holds
// no platform logic; the application feeds it and advances it.
//
// While inactive the list is empty and the index 0. Every assignment emits
// its change signal, also of an equal value; observers that want changes only
// drop duplicates themselves.
class PasteStackManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isActive READ isActive NOTIFY isActiveChanged)
    Q_PROPERTY(int currentIndex READ currentIndex NOTIFY currentIndexChanged)
public:
    explicit PasteStackManager(QObject* parent = nullptr);

    bool isActive() const { return m_isActive; }
    const QList<ClipboardItemPtr>& stackItems() const { return m_stackItems; }
    int currentIndex() const { return m_currentIndex; }
    // Active, and an item is left to paste.
    bool hasNext() const;

    // Starts a fresh, empty run (also when one is running).
    void activate();
    // Ends the run and forgets its items.
    void deactivate();
    // Ends the run going on, or starts one.
    void toggle();
    // Appends the item while a run is active; duplicates are kept.
    void addItem(const ClipboardItemPtr& item);
    // Moves to the next item; past the last one the run ends.
    void advance();

Q_SIGNALS:
    void isActiveChanged(bool isActive);
    void stackItemsChanged();
    void currentIndexChanged(int currentIndex);

private:
    void setActive(bool active);
    void clearItems();
    void setCurrentIndex(int index);

    bool m_isActive = false;
    QList<ClipboardItemPtr> m_stackItems;
    int m_currentIndex = 0;
};

} // namespace quillbox
