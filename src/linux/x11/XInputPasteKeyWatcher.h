#pragma once

#include "linux/desktop/TerminalPasteKeys.h"
#include "ports/GlobalKeyWatcher.h"

#include <QObject>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

class QSocketNotifier;

namespace quillbox {

class XcbConnection;
class XTestKeystrokeSender;

// Watches every key press on the X display with XInput 2 raw key events and
// reports a press of the focused window's paste key with exactly its
// modifiers: Ctrl+V, or the key a terminal pastes with (Ctrl+Shift+V, as the
// paste service sends it there). A key held down counts once. Quillbox's own
// synthetic paste is not reported.
//
// It uses an X connection of its own, opened by start() and closed by stop():
// XI2 selections are per client, so nothing selected here changes what Qt
// selected on its connection, events never go through Qt's event filters, and
// no event is left to deliver once stopped.
class XInputPasteKeyWatcher : public QObject, public GlobalKeyWatcher {
    Q_OBJECT
public:
    // Synthetic (XTEST) keys that arrive within this time after our own
    // keystroke sender sent its paste keys are taken for its own. Other
    // synthetic keys (xdotool, on-screen keyboards, typing tools) count.
    static constexpr std::chrono::milliseconds ownKeystrokeWindow{500};

    // With a keystroke sender, its pastes are told apart from the user's.
    explicit XInputPasteKeyWatcher(const XTestKeystrokeSender* ownKeystrokes = nullptr,
                                   QObject* parent = nullptr);
    ~XInputPasteKeyWatcher() override;

    bool start() override;
    void stop() override;
    bool isWatching() const override { return m_xcb != nullptr; }

private:
    struct Keyboard;

    void readEvents();
    void rawKey(bool isPress, std::uint32_t keycode, std::uint16_t sourceDevice);
    bool isOwnSyntheticKey(std::uint16_t sourceDevice) const;
    std::optional<PasteKeys> chordOfPressedV() const;
    PasteKeys pasteKeysOfFocusedWindow();

    const XTestKeystrokeSender* m_ownKeystrokes;
    std::unique_ptr<XcbConnection> m_xcb;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::unique_ptr<Keyboard> m_keyboard;
    std::uint8_t m_xinputOpcode = 0;
};

} // namespace quillbox
