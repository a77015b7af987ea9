#pragma once

#include "linux/desktop/TerminalPasteKeys.h"
#include "ports/KeystrokeSender.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace quillbox {

class XcbConnection;

// Pastes into another X11 application with XTest: gives the focus back to
// the window that was active before Quillbox's own (_NET_ACTIVE_WINDOW),
// waits until the user has let go of the modifier keys of the shortcut that
// led here, then fakes Ctrl down, V down, V up, Ctrl up (with Shift or Alt
// for terminals). Every wait is a poll on a main-thread timer, bounded.
class XTestKeystrokeSender : public QObject, public KeystrokeSender {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds pollInterval{10};
    // How long the window manager gets to activate the target window; the
    // wait ends as soon as it has (tens of milliseconds on a desktop).
    static constexpr std::chrono::milliseconds focusTimeout{1000};
    // How long the user may keep holding modifier keys before the keys go
    // out regardless.
    static constexpr std::chrono::milliseconds modifierReleaseTimeout{2000};

    explicit XTestKeystrokeSender(QObject* parent = nullptr);
    ~XTestKeystrokeSender() override;

    // A display with the XTEST extension.
    bool isAvailable() const;

    void rememberTargetWindow() override;
    void sendPasteKeystroke(Outcome done) override;

    std::optional<std::uint32_t> targetWindow() const { return m_target; }
    // When the last paste keys went out, so that a watcher of the keyboard can
    // tell them from the user's own; none before the first.
    std::optional<std::chrono::steady_clock::time_point> lastKeysSentAt() const {
        return m_lastKeysSentAt;
    }
    bool isSending() const { return m_phase != Phase::idle; }

    // The keys that paste into the window (Ctrl+V but in terminals); Ctrl+V
    // when there is none, or it is gone.
    static PasteKeys pasteKeysFor(XcbConnection& connection, std::optional<std::uint32_t> window);

private:
    enum class Phase { idle, focusing, waitingForModifiers };
    struct Keyboard;

    void step();
    void finish(bool sent);
    bool sendKeys(PasteKeys keys);
    std::optional<std::uint32_t> activeWindow();
    bool isOwnWindow(std::uint32_t window);
    void requestActivation(std::uint32_t window);
    bool areModifiersHeld();

    std::unique_ptr<XcbConnection> m_xcb;
    std::unique_ptr<Keyboard> m_keyboard;
    bool m_hasXTest = false;
    std::optional<std::uint32_t> m_target;
    Phase m_phase = Phase::idle;
    PasteKeys m_keys = PasteKeys::ctrlV;
    QTimer m_timer;
    QElapsedTimer m_phaseClock;
    std::optional<std::chrono::steady_clock::time_point> m_lastKeysSentAt;
    // Told when the keys on their way went out, or could not.
    std::vector<Outcome> m_waiting;
};

} // namespace quillbox
