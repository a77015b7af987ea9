#pragma once

#include <functional>

namespace quillbox {

// Watches the keyboard of the whole desktop, whichever application has the
// focus, for the user pressing that application's paste key. Main thread.
class GlobalKeyWatcher {
public:
    virtual ~GlobalKeyWatcher() = default;

    // Begins watching; false (logged) when the desktop does not allow it.
    // Starting while watching does nothing and returns true.
    virtual bool start() = 0;
    // Ends watching at once: no report is made after it returns.
    virtual void stop() = 0;
    virtual bool isWatching() const = 0;

    // Called on the main thread once per press of the paste key (a key held
    // down and repeating counts once); never for Quillbox's own synthetic paste.
    std::function<void()> onPasteKeyPressed;
};

} // namespace quillbox
