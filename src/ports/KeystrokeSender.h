#pragma once

#include <functional>

namespace quillbox {

// Makes the application the user was working in paste: it remembers that
// application's window before Quillbox shows its own, and later gives the
// keyboard back to it and sends its paste keystroke (Ctrl+V, or what a
// terminal takes for paste). Main thread; never blocks it.
class KeystrokeSender {
public:
    // Whether the paste keys went out; false when the desktop offers no way
    // to send keys, or the window in front has no key that pastes.
    using Outcome = std::function<void(bool sent)>;

    virtual ~KeystrokeSender() = default;

    // Called just before a Quillbox window that takes the keyboard is shown.
    virtual void rememberTargetWindow() = 0;

    // Starts the paste keystroke; it goes out shortly after, once the target
    // has the focus and the user has let go of the modifier keys. `done`
    // (may be empty) is called once on the main thread, possibly before this
    // returns. A request made while keys are on their way shares their
    // outcome: the keys paste what the clipboard holds when they arrive.
    virtual void sendPasteKeystroke(Outcome done) = 0;
};

} // namespace quillbox
