#pragma once

#include "core/PasteStackWindowPort.h"

#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <memory>

namespace quillbox {

class AccessibilityManager;
class ClipboardItem;
class GlobalKeyWatcher;
class KeystrokeSender;
class Pasteboard;
class PasteStackManager;
class StackPasteMatcher;
class UserNotifier;
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

    // What came of one pasteNext().
    enum class PasteNextResult {
        pasted,     // the keys went out and the run moved on
        noRun,      // no Paste Stack runs
        noItem,     // the run has nothing (more) to paste
        keysNotSent // the item is on the clipboard, but no keys went out
    };
    struct PasteNextOutcome {
        PasteNextResult result;
        int position = 0; // of the item pasted, from 1
        qsizetype count = 0;
    };
    using PasteNextDone = std::function<void(const PasteNextOutcome&)>;

    // The setup's texts: which keys stop the run and, where no watcher sees
    // the paste key, what pastes the next item.
    struct Texts {
        QString stopKeys;
        QString pasteNextHint;
    };

    // `keyWatcher` may be null: the stack then still collects, but a paste
    // does not move it on; `keystrokes` may be null: pasteNext() then sends
    // nothing. The pasteboard and the watcher report to this object until
    // it is destroyed, so they must outlive it.
    PasteStackCoordinator(PasteStackManager& stack, Pasteboard& pasteboard,
                          GlobalKeyWatcher* keyWatcher, KeystrokeSender* keystrokes,
                          AccessibilityManager& accessibility, WindowFactory makeWindow,
                          Texts texts, QObject* parent = nullptr);
    ~PasteStackCoordinator() override;

    // A copy the clipboard monitor recorded; joins a running stack.
    void itemCaptured(const ClipboardItemPtr& item);
    // Stops watching the paste key (at quit).
    void stopWatching();
    // Pastes the run's next item into the window in front and, once the keys
    // went out and the application had time to take it, moves the run on:
    // the way to paste through a stack where no watcher sees the paste key.
    // Requests made while one is on its way wait their turn, so each pastes
    // its own item. `done` is called once, on the main thread.
    void pasteNext(PasteNextDone done);
    // pasteNext() from a key press, which nobody waits on: a paste whose keys
    // could not go out leaves the item on the clipboard and the user is told
    // through `notifier` (when there is one).
    void pasteNextFromKey(UserNotifier* notifier);

    // What the window says pastes the next item; empty where a watcher sees
    // Ctrl+V. `keys`: the shortcut bound to pasting the next item, if any.
    static QString pasteNextHint(bool pasteKeyIsWatched, const std::optional<QString>& keys);

    // Absent until the first run, and where the factory makes none.
    PasteStackWindowPort* window() const { return m_window.get(); }

private:
    void activeChanged(bool active);
    // (Re)starts watching the paste key in other applications.
    void startWatching();
    // Puts the item the next paste takes on the clipboard, marked as ours so
    // it is not recorded again.
    void loadCurrentItem();
    // Works on the oldest pasteNext() request.
    void serveNextPasteRequest();
    void finishPasteRequest(const PasteNextOutcome& outcome);

    PasteStackManager& m_stack;
    Pasteboard& m_pasteboard;
    GlobalKeyWatcher* m_keyWatcher;
    KeystrokeSender* m_keystrokes;
    AccessibilityManager& m_accessibility;
    WindowFactory m_makeWindow;
    Texts m_texts;
    // pasteNext() requests, the front one on its way.
    std::deque<PasteNextDone> m_pasteRequests;
    std::unique_ptr<PasteStackWindowPort> m_window;
    bool m_isShown = false;
    // Tells each paste of the stack's item, to move it on once per paste.
    StackPasteMatcher* m_pastes = nullptr;
};

} // namespace quillbox
