// The keyboard map as the X server holds it, for the X11 backend's .cpp
// files that turn key symbols into keys and back.
#pragma once

#include <QList>
#include <array>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace quillbox {

// The keys and modifier rows of the current layout. The layout may change
// at any time (MappingNotify), so a map serves one task and is then dropped.
class X11KeyboardMap {
public:
    // Rows of the modifier mapping, fixed by the protocol: Shift, Lock,
    // Control, then Mod1 to Mod5, whose meaning the layout assigns.
    static constexpr int modifierRowCount = 8;
    using ModifierRows = std::array<QList<xcb_keycode_t>, modifierRowCount>;

    explicit X11KeyboardMap(xcb_connection_t* connection);
    ~X11KeyboardMap();
    X11KeyboardMap(const X11KeyboardMap&) = delete;
    X11KeyboardMap& operator=(const X11KeyboardMap&) = delete;

    // The first key that types the symbol; XCB_NO_SYMBOL when none does.
    xcb_keycode_t keyCode(xcb_keysym_t symbol) const;
    // The symbol in the key's column (0: plain, 1: with Shift).
    xcb_keysym_t keySymbol(xcb_keycode_t key, int column = 0) const;
    // The keys of each modifier row; all empty when the server does not say.
    static ModifierRows modifierRows(xcb_connection_t* connection);

private:
    xcb_key_symbols_t* m_symbols;
};

} // namespace quillbox
