#include "linux/x11/X11HotkeyBackend.h"

#include "content/Logging.h"
#include "linux/x11/X11KeyboardMap_p.h"
#include "linux/x11/XcbConnection.h"
#include "linux/x11/XcbReply_p.h"

#include <QByteArray>
#include <QGuiApplication>
#include <X11/keysym.h>
#include <initializer_list>
#include <xcb/xcb.h>
#include <xcb/xproto.h>

namespace quillbox {

namespace {

// The modifier bits a key event's state may carry for keys; the rest of the
// state are pointer buttons.
constexpr std::uint16_t keyModifierBits = 0xff;
// Mod1 to Mod5 are assigned by the keyboard map; these are the usual rows,
// taken when the map does not name the key.
constexpr std::uint16_t usualAltMask = XCB_MOD_MASK_1;
constexpr std::uint16_t usualSuperMask = XCB_MOD_MASK_4;

// Which of Mod1..Mod5 the keyboard map gives to each of our modifiers, and to
// Num Lock. The assignment is the keyboard layout's choice (Num Lock is
// usually Mod2 but not always), so it is read from the server each time.
struct ModifierBits {
    std::uint16_t alt = usualAltMask;
    std::uint16_t super = usualSuperMask;
    std::uint16_t numLock = 0;
};

ModifierBits readModifierBits(xcb_connection_t* c, const X11KeyboardMap& keyboard) {
    ModifierBits bits;
    const auto rows = X11KeyboardMap::modifierRows(c);
    std::uint16_t alt = 0;
    std::uint16_t super = 0;
    // Rows 0 to 2 are Shift, Lock and Control, fixed by the protocol.
    for (int row = 3; row < X11KeyboardMap::modifierRowCount; ++row) {
        const auto mask = static_cast<std::uint16_t>(1u << row);
        for (const xcb_keycode_t key : rows[row]) {
            // Columns 0 and 1: the key's symbols without and with Shift.
            for (int column = 0; column < 2; ++column) {
                const xcb_keysym_t symbol = keyboard.keySymbol(key, column);
                if (symbol == XK_Num_Lock)
                    bits.numLock |= mask;
                // The lowest row only: a combination must not need two rows held.
                if ((symbol == XK_Alt_L || symbol == XK_Alt_R) && alt == 0)
                    alt = mask;
                if ((symbol == XK_Super_L || symbol == XK_Super_R) && super == 0)
                    super = mask;
            }
        }
    }
    if (alt)
        bits.alt = alt;
    if (super)
        bits.super = super;
    return bits;
}

std::uint16_t toXModifiers(std::uint32_t modifiers, const ModifierBits& bits) {
    std::uint16_t mask = 0;
    if (modifiers & HotkeyModifier::shift)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & HotkeyModifier::control)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & HotkeyModifier::alt)
        mask |= bits.alt;
    if (modifiers & HotkeyModifier::super)
        mask |= bits.super;
    return mask;
}

} // namespace

X11HotkeyBackend::X11HotkeyBackend() {
    xcb_connection_t* qtConnection = XcbConnection::ofQt();
    if (!qtConnection) {
        qCInfo(lcX11) << "Quillbox: not an X11 session; global hotkeys are unavailable"
                         " (the command line can toggle the panel and the Paste Stack)";
        return;
    }
    // Qt's own connection, not one of ours: the events of a grab go to the
    // connection that made it, and Qt's reader already hands every event of
    // its connection to the main thread, so presses need no reader of ours.
    m_connection = qtConnection;
    // The first screen's root. A key grab on any root catches the key
    // wherever the focus is on that screen; multi-root setups are rare.
    m_root = XcbConnection::firstRootWindow(m_connection);
    qGuiApp->installNativeEventFilter(this);
}

X11HotkeyBackend::~X11HotkeyBackend() {
    if (!m_connection)
        return;
    // The application may be going away before us; its connection with it.
    if (qGuiApp) {
        qGuiApp->removeNativeEventFilter(this);
        unregisterAll();
    }
}

HotkeyBackend::Result X11HotkeyBackend::registerHotkey(std::uint32_t id, std::uint32_t keySymbol,
                                                       std::uint32_t modifiers) {
    if (!m_connection)
        return {unavailableStatus, 0};
    xcb_connection_t* c = m_connection;

    // The layout may have changed since the last registration: look both the
    // key and the modifier rows up afresh.
    const X11KeyboardMap keyboard(c);
    const xcb_keycode_t keyCode = keyboard.keyCode(keySymbol);
    const ModifierBits bits = readModifierBits(c, keyboard);
    if (keyCode == XCB_NO_SYMBOL)
        return {unknownKeyStatus, 0};

    const std::uint16_t mask = toXModifiers(modifiers, bits);
    // A grab matches the modifier state exactly, and Caps Lock and Num Lock
    // are part of that state: without a grab for each lock combination the
    // combination would do nothing while either lock is on.
    QList<std::uint16_t> variants;
    for (const std::uint16_t lock :
         {std::uint16_t(0), std::uint16_t(XCB_MOD_MASK_LOCK), bits.numLock,
          std::uint16_t(XCB_MOD_MASK_LOCK | bits.numLock)}) {
        if (!variants.contains(lock))
            variants.append(lock);
    }

    // The server would let us grab a combination we hold already, silently
    // moving it from one id to the other; answer as it does for other clients.
    for (const Grab& grab : std::as_const(m_grabs)) {
        if (grab.keyCode == keyCode && grab.modifiers == mask)
            return {XCB_ACCESS, keyCode};
    }

    // Checked requests: an unchecked grab's BadAccess would only reach Qt's
    // error handler, which logs it and moves on. The check is a round trip to
    // the server, which answers at once; no other client is involved.
    QList<xcb_void_cookie_t> cookies;
    for (const std::uint16_t lock : std::as_const(variants)) {
        // owner_events false: while the grab is active (the key held), every
        // key event goes to the root, so the release is seen here even when
        // one of Quillbox's own windows has the focus.
        cookies.append(xcb_grab_key_checked(c, 0, m_root, mask | lock, keyCode, XCB_GRAB_MODE_ASYNC,
                                            XCB_GRAB_MODE_ASYNC));
    }
    int status = 0;
    QList<std::uint16_t> grabbed;
    for (qsizetype i = 0; i < cookies.size(); ++i) {
        if (const auto error = xcbCheck(c, cookies[i])) {
            if (status == 0)
                status = error->error_code;
        } else {
            grabbed.append(variants[i]);
        }
    }
    if (status != 0) {
        // Half a combination (say, working only with Num Lock off) would be
        // worse than none: release the variants that did succeed.
        ungrab(keyCode, mask, grabbed);
        return {status, keyCode};
    }
    m_grabs.append({id, keyCode, mask, variants});
    return {0, keyCode};
}

void X11HotkeyBackend::ungrab(std::uint8_t keyCode, std::uint16_t modifiers,
                              const QList<std::uint16_t>& lockVariants) {
    for (const std::uint16_t lock : lockVariants)
        xcb_ungrab_key(m_connection, keyCode, m_root, modifiers | lock);
    xcb_flush(m_connection);
}

void X11HotkeyBackend::unregisterAll() {
    if (!m_connection)
        return;
    for (const Grab& grab : std::as_const(m_grabs))
        ungrab(grab.keyCode, grab.modifiers, grab.lockVariants);
    m_grabs.clear();
    // Released while held, a key's release goes to whoever has the focus;
    // forget it was down, or its next press would pass for a repeat.
    m_heldKeyCode = 0;
    m_releasedKeyCode = 0;
}

bool X11HotkeyBackend::nativeEventFilter(const QByteArray& eventType, void* message,
                                         qintptr* result) {
    Q_UNUSED(result);
    if (!m_connection || m_grabs.isEmpty() || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    // The top bit marks events sent by another client (SendEvent).
    const std::uint8_t type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    // Key press and release events share one layout.
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    // Our grabs report on the root window; keys of Qt's own windows pass on.
    if (key->event != m_root)
        return false;
    return handleKey(type == XCB_KEY_PRESS, key->detail, key->state, key->time);
}

bool X11HotkeyBackend::handleKey(bool isPress, std::uint8_t keyCode, std::uint16_t state,
                                 std::uint32_t time) {
    if (!isPress) {
        // Modifiers may have been let go before the key: match by key only.
        for (const Grab& grab : std::as_const(m_grabs)) {
            if (grab.keyCode == keyCode) {
                m_releasedKeyCode = keyCode;
                m_releaseTime = time;
                if (m_heldKeyCode == keyCode)
                    m_heldKeyCode = 0;
                return true;
            }
        }
        return false;
    }
    for (const Grab& grab : std::as_const(m_grabs)) {
        std::uint16_t lockBits = 0;
        for (const std::uint16_t lock : grab.lockVariants)
            lockBits |= lock;
        if (grab.keyCode != keyCode || (state & keyModifierBits & ~lockBits) != grab.modifiers)
            continue;
        // A held key repeats. The server reports each repeat as a release and
        // a press with the same time; were detectable auto-repeat (XKB) ever
        // turned on for this connection, there would be presses only, and no
        // release until the key really goes up. Either way: one press.
        const bool isRepeat =
            (m_releasedKeyCode == keyCode && m_releaseTime == time) || m_heldKeyCode == keyCode;
        m_heldKeyCode = keyCode;
        if (!isRepeat)
            deliverPress(grab.id);
        return true;
    }
    return false;
}

} // namespace quillbox
