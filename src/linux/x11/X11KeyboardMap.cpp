#include "linux/x11/X11KeyboardMap_p.h"
#include "linux/x11/XcbReply_p.h"

namespace quillbox {

X11KeyboardMap::X11KeyboardMap(xcb_connection_t* connection)
    : m_symbols(xcb_key_symbols_alloc(connection)) {
}

X11KeyboardMap::~X11KeyboardMap() {
    xcb_key_symbols_free(m_symbols);
}

xcb_keycode_t X11KeyboardMap::keyCode(xcb_keysym_t symbol) const {
    const auto codes = adopt(xcb_key_symbols_get_keycode(m_symbols, symbol));
    return codes ? codes.get()[0] : xcb_keycode_t(XCB_NO_SYMBOL);
}

xcb_keysym_t X11KeyboardMap::keySymbol(xcb_keycode_t key, int column) const {
    return xcb_key_symbols_get_keysym(m_symbols, key, column);
}

X11KeyboardMap::ModifierRows X11KeyboardMap::modifierRows(xcb_connection_t* connection) {
    ModifierRows rows;
    const auto mapping =
        xcbReply(xcb_get_modifier_mapping_reply, connection, xcb_get_modifier_mapping(connection));
    if (!mapping)
        return rows;
    const xcb_keycode_t* keys = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    for (int row = 0; row < modifierRowCount; ++row) {
        for (int i = 0; i < perModifier; ++i) {
            if (const xcb_keycode_t key = keys[row * perModifier + i])
                rows[row].append(key);
        }
    }
    return rows;
}

} // namespace quillbox
