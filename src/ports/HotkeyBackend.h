#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <utility>

namespace quillbox {

// Modifier keys of a system-wide key combination, as bits of our own; each
// backend maps them to its desktop's modifiers.
namespace HotkeyModifier {
inline constexpr std::uint32_t shift = 1u << 0;
inline constexpr std::uint32_t control = 1u << 1;
inline constexpr std::uint32_t alt = 1u << 2;
inline constexpr std::uint32_t super = 1u << 3;
inline constexpr std::uint32_t all = shift | control | alt | super;
} // namespace HotkeyModifier

// Makes key combinations work system-wide, whichever application is in
// front, and reports their presses by the id they were registered under.
// A key is named by its X key symbol (the lower-case one for letters), which
// every desktop backend can map to its own key codes. Main thread only;
// presses are delivered there too.
class HotkeyBackend {
public:
    // What a registration came to: status 0 when the combination is active,
    // else the desktop's error number (X11: the X error code, 10 BadAccess
    // when another client holds the combination) or one of the statuses below.
    // keyCode is the desktop's code of the key (X11: the keycode), 0 if none.
    struct Result {
        int status = 0;
        std::uint32_t keyCode = 0;
    };
    // No desktop connection that can grab keys (not an X11 session).
    static constexpr int unavailableStatus = -1;
    // The keyboard layout has no key for that key symbol.
    static constexpr int unknownKeyStatus = -2;

    // What a combination does, for desktops that list an application's
    // shortcuts to the user and let them choose the keys (the GlobalShortcuts
    // portal): a name that stays the same from run to run, and a sentence.
    struct Action {
        QString name;
        QString description;
    };

    using PressHandler = std::function<void(std::uint32_t id)>;

    virtual ~HotkeyBackend() = default;

    // On failure nothing stays registered, not even part of the combination.
    // A desktop that binds keys later, after asking the user, answers 0 when
    // it has taken the combination on; a later refusal is the backend's to
    // report.
    virtual Result registerHotkey(std::uint32_t id, std::uint32_t keySymbol,
                                  std::uint32_t modifiers) = 0;
    // The same, saying what the combination is for; backends that bind keys
    // directly have no use for it.
    virtual Result registerAction(std::uint32_t id, std::uint32_t keySymbol,
                                  std::uint32_t modifiers, const Action& action) {
        (void)action;
        return registerHotkey(id, keySymbol, modifiers);
    }
    virtual void unregisterAll() = 0;

    // One receiver of presses; an empty handler drops them.
    void setPressHandler(PressHandler handler) { m_pressHandler = std::move(handler); }

protected:
    void deliverPress(std::uint32_t id) {
        if (m_pressHandler)
            m_pressHandler(id);
    }

private:
    PressHandler m_pressHandler;
};

} // namespace quillbox
