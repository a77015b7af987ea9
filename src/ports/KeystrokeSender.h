#pragma once

namespace quillbox {

// Makes the application the user was working in paste: it remembers that
// application's window before Quillbox shows its own, and later gives the
// keyboard back to it and sends its paste keystroke (Ctrl+V, or what a
// terminal takes for paste). Main thread; never blocks it.
class KeystrokeSender {
public:
    virtual ~KeystrokeSender() = default;

    // Called just before a Quillbox window that takes the keyboard is shown.
    virtual void rememberTargetWindow() = 0;

    // Starts the paste keystroke; it goes out shortly after, once the target
    // has the focus and the user has let go of the modifier keys.
    virtual void sendPasteKeystroke() = 0;
};

} // namespace quillbox
