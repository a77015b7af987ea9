#pragma once

#include "ports/HotkeyBackend.h"

#include <QAbstractNativeEventFilter>
#include <QList>
#include <cstdint>

struct xcb_connection_t;

namespace quillbox {

// System-wide key combinations on X11: passive key grabs on the root window,
// made on Qt's own xcb connection so that the presses arrive through Qt's
// event queue on the main thread, where a native event filter takes them.
class X11HotkeyBackend : public HotkeyBackend, public QAbstractNativeEventFilter {
public:
    // Needs a QGuiApplication on the xcb platform; elsewhere every
    // registration fails with unavailableStatus.
    X11HotkeyBackend();
    ~X11HotkeyBackend() override;
    X11HotkeyBackend(const X11HotkeyBackend&) = delete;
    X11HotkeyBackend& operator=(const X11HotkeyBackend&) = delete;

    bool isAvailable() const { return m_connection != nullptr; }

    Result registerHotkey(std::uint32_t id, std::uint32_t keySymbol,
                          std::uint32_t modifiers) override;
    void unregisterAll() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Grab {
        std::uint32_t id = 0;
        std::uint8_t keyCode = 0;
        std::uint16_t modifiers = 0;       // X modifier mask, without lock bits
        QList<std::uint16_t> lockVariants; // each grabbed with `modifiers`
    };

    void ungrab(std::uint8_t keyCode, std::uint16_t modifiers,
                const QList<std::uint16_t>& lockVariants);
    bool handleKey(bool isPress, std::uint8_t keyCode, std::uint16_t state, std::uint32_t time);

    xcb_connection_t* m_connection = nullptr;
    std::uint32_t m_root = 0;
    QList<Grab> m_grabs;
    // Auto-repeat: the key of ours last pressed and not yet released, and
    // the last release of one of our keys.
    std::uint8_t m_heldKeyCode = 0;
    std::uint8_t m_releasedKeyCode = 0;
    std::uint32_t m_releaseTime = 0;
};

} // namespace quillbox
