#pragma once

#include "core/PasteStackWindowPort.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace quillbox {

class AccessibilityManager;
class ClipboardItem;
class GlobalKeyWatcher;
class Pasteboard;
class PasteStackManager;
class StackPasteMatcher;
using ClipboardItemPtr = std::shared_ptr<ClipboardItem>;

// The Paste Stack across applications: while a run goes on, each copy joins
// the stack, the item the next paste takes sits on the clipboard, the paste
// key is watched in other applications and each paste moves the run on. The
// window follows the run.
class PasteStackCoordinator : public QObject {
    Q_OBJECT
public:
    // Makes the window on the first run; may return null (no window).
    using WindowFactory =
        std::function<std::unique_ptr<PasteStackWindowPort>(const PasteStackSetup&)>;

    // `keyWatcher` may be null: the stack then still collects, but a paste
    // does not move it on. The pasteboard and the watcher report to this object until it
    // is destroyed, so they must outlive it.
    PasteStackCoordinator(PasteStackManager& stack, Pasteboard& pasteboard,
                          GlobalKeyWatcher* keyWatcher, AccessibilityManager& accessibility,
                          WindowFactory makeWindow, QString stopKeys, QObject* parent = nullptr);
    ~PasteStackCoordinator() override;

    // A copy the clipboard monitor recorded; joins a running stack.
    void itemCaptured(const ClipboardItemPtr& item);
    // Stops watching the paste key (at quit).
    void stopWatching();

    // Absent until the first run, and where the factory makes none.
    PasteStackWindowPort* window() const { return m_window.get(); }

private:
    void activeChanged(bool active);
    // (Re)starts watching the paste key in other applications.
    void startWatching();
    // Puts the item the next paste takes on the clipboard, marked as ours so
    // it is not recorded again.
    void loadCurrentItem();

    PasteStackManager& m_stack;
    Pasteboard& m_pasteboard;
    GlobalKeyWatcher* m_keyWatcher;
    AccessibilityManager& m_accessibility;
    WindowFactory m_makeWindow;
    QString m_stopKeys;
    std::unique_ptr<PasteStackWindowPort> m_window;
    bool m_isShown = false;
    // Tells each paste of the stack's item, to move it on once per paste.
    StackPasteMatcher* m_pastes = nullptr;
};

} // namespace quillbox
