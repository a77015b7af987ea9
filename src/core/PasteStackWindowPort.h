#pragma once

#include <QString>

namespace quillbox {

class AccessibilityManager;
class PasteStackManager;

// What the Paste Stack's window is built from: the run it lists and stops,
// and the permission its banner asks for.
struct PasteStackSetup {
    PasteStackManager& manager;
    AccessibilityManager& accessibility;
    // The key combination that starts and stops the stack, as the footer names it.
    QString stopKeys = QStringLiteral("Super+Shift+C");
    // Where no watcher sees the paste key, what pastes the next item ("Press
    // Super+Shift+N to paste the next item"); empty where Ctrl+V does.
    QString pasteNextHint = {};
};

// The Paste Stack's window as the application drives it: shown at the
// start of each run, ordered out at its end, and never taking the keyboard
// from the application the user pastes into. The desktop's window in the
// program, a recording fake in tests.
class PasteStackWindowPort {
public:
    virtual ~PasteStackWindowPort() = default;

    // Places the window in the top-right corner of the screen under the
    // pointer and shows it without activating it.
    virtual void show() = 0;
    // Takes the window off the screen; it is kept for the next run.
    virtual void hide() = 0;
    virtual bool isShowing() const = 0;
};

} // namespace quillbox
