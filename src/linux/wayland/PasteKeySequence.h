#pragma once

#include "linux/desktop/TerminalPasteKeys.h"

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <optional>

namespace quillbox {

// One step of a virtual keyboard: a key going down or up (by its Linux
// input event code), or the modifier state the keyboard reports after it.
struct VirtualKeyStep {
    enum class Kind { key, modifiers };
    Kind kind = Kind::key;
    std::uint32_t code = 0;      // for key steps
    bool isPressed = false;      // for key steps
    std::uint32_t modifiers = 0; // for modifier steps: the depressed mask

    bool operator==(const VirtualKeyStep&) const = default;
};

// The keyboard Quillbox types its paste keys with: a US keymap built by
// libxkbcommon, which the compositor is given before any key, and the steps
// that type a paste combination on it.
class PasteKeySequence {
public:
    // None when libxkbcommon cannot build the keymap.
    static std::optional<PasteKeySequence> make();

    // The keymap in xkb's text form, with its terminating NUL, as the
    // virtual keyboard protocol takes it.
    const QByteArray& keymapText() const { return m_keymapText; }

    // Each modifier goes down (and is reported) before V, and up after it in
    // the reverse order; empty for PasteKeys::none.
    QList<VirtualKeyStep> steps(PasteKeys keys) const;

private:
    QByteArray m_keymapText;
    std::uint32_t m_controlMask = 0;
    std::uint32_t m_shiftMask = 0;
    std::uint32_t m_altMask = 0;
};

} // namespace quillbox
