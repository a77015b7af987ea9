#include "linux/x11/XInputPasteKeyWatcher.h"

#include "content/Logging.h"
#include "linux/x11/X11KeyboardMap_p.h"
#include "linux/x11/X11WindowProperties.h"
#include "linux/x11/XTestKeystrokeSender.h"
#include "linux/x11/XcbConnection.h"
#include "linux/x11/XcbReply_p.h"

#include <QList>
#include <QSocketNotifier>
#include <X11/keysym.h>
#include <bitset>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

namespace quillbox {

namespace {

enum class Modifier { none, shift, control, alt, super };

Modifier modifierOf(xcb_keysym_t keysym) {
    switch (keysym) {
    case XK_Shift_L:
    case XK_Shift_R:
        return Modifier::shift;
    case XK_Control_L:
    case XK_Control_R:
        return Modifier::control;
    case XK_Alt_L:
    case XK_Alt_R:
    case XK_Meta_L:
    case XK_Meta_R:
        return Modifier::alt;
    case XK_Super_L:
    case XK_Super_R:
    case XK_Hyper_L:
    case XK_Hyper_R:
        return Modifier::super;
    default:
        return Modifier::none;
    }
}

} // namespace

// What the watcher knows of the keyboard: which keys are down (a flag per
// keycode, set on press and cleared on release, so a missed or repeated
// event never leaves a count off), and what each key is.
struct XInputPasteKeyWatcher::Keyboard {
    std::bitset<256> isDown;
    std::array<Modifier, 256> modifiers{};
    std::bitset<256> isV;
    QList<std::uint16_t> xtestDevices;

    void readMapping(xcb_connection_t* c) {
        const X11KeyboardMap keyboard(c);
        const xcb_setup_t* setup = xcb_get_setup(c);
        for (int code = setup->min_keycode; code <= setup->max_keycode; ++code) {
            const auto keycode = static_cast<xcb_keycode_t>(code);
            // The first keysym of the first group: the key as the layout's
            // base level names it, which is what toolkits match Ctrl+V by.
            const xcb_keysym_t keysym = keyboard.keySymbol(keycode);
            modifiers[keycode] = modifierOf(keysym);
            isV[keycode] = keysym == XK_v || keysym == XK_V;
        }
    }

    bool isHeld(Modifier modifier) const {
        for (std::size_t code = 0; code < isDown.size(); ++code) {
            if (isDown[code] && modifiers[code] == modifier)
                return true;
        }
        return false;
    }
};

XInputPasteKeyWatcher::XInputPasteKeyWatcher(const XTestKeystrokeSender* ownKeystrokes,
                                             QObject* parent)
    : QObject(parent)
    , m_ownKeystrokes(ownKeystrokes) {
}

XInputPasteKeyWatcher::~XInputPasteKeyWatcher() {
    stop();
}

bool XInputPasteKeyWatcher::start() {
    if (m_xcb)
        return true;
    auto xcb = std::make_unique<XcbConnection>();
    xcb_connection_t* c = xcb->get();
    const xcb_query_extension_reply_t* extension =
        xcb->isValid() ? xcb_get_extension_data(c, &xcb_input_id) : nullptr;
    if (!extension || !extension->present) {
        qCWarning(lcX11) << "Quillbox: no X display with XInput; the paste key is not watched";
        return false;
    }
    // Raw events to the root window of a client that did not grab need 2.1.
    if (!xcb->announceXInput2(1)) {
        qCWarning(lcX11) << "Quillbox: XInput 2.1 is not available; the paste key is not watched";
        return false;
    }

    auto keyboard = std::make_unique<Keyboard>();
    keyboard->readMapping(c);
    // The XTEST slave devices, through which every client's synthetic keys
    // arrive (ours included).
    const auto devices = xcbReply(xcb_input_xi_query_device_reply, c,
                                  xcb_input_xi_query_device(c, XCB_INPUT_DEVICE_ALL));
    if (devices) {
        for (auto it = xcb_input_xi_query_device_infos_iterator(devices.get()); it.rem;
             xcb_input_xi_device_info_next(&it)) {
            const QByteArray name(xcb_input_xi_device_info_name(it.data),
                                  xcb_input_xi_device_info_name_length(it.data));
            if (name.contains("XTEST"))
                keyboard->xtestDevices.append(it.data->deviceid);
        }
    }
    // Keys already down (the shortcut that started the Paste Stack) are
    // known as down, so their release and the next press are read right.
    if (const auto keymap = xcbReply(xcb_query_keymap_reply, c, xcb_query_keymap(c))) {
        for (std::size_t code = 0; code < keyboard->isDown.size(); ++code)
            keyboard->isDown[code] = keymap->keys[code / 8] & (1 << (code % 8));
    }

    // All master devices, never all devices: on Qt's own connection the
    // latter would replace Qt's selection; here it would also report each key
    // twice, once per slave and once per master.
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t mask;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
                XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE};
    const auto error =
        xcbCheck(c, xcb_input_xi_select_events_checked(c, xcb->rootWindow(), 1, &selection.head));
    if (error) {
        qCWarning(lcX11) << "Quillbox: the X server refused raw key events (error"
                         << error->error_code << "); the paste key is not watched";
        return false;
    }

    m_xinputOpcode = extension->major_opcode;
    m_keyboard = std::move(keyboard);
    m_xcb = std::move(xcb);
    m_notifier = std::make_unique<QSocketNotifier>(m_xcb->fileDescriptor(), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this,
            &XInputPasteKeyWatcher::readEvents);
    qCDebug(lcX11) << "Quillbox: watching the paste key";
    return true;
}

void XInputPasteKeyWatcher::stop() {
    m_notifier.reset();
    m_xcb.reset();
    m_keyboard.reset();
}

void XInputPasteKeyWatcher::readEvents() {
    if (!m_xcb)
        return;
    xcb_connection_t* const c = m_xcb->get();
    // Events that arrive while a reply is awaited are queued by xcb and do
    // not wake the notifier again: the loop takes them too.
    while (const auto event = adopt(xcb_poll_for_event(c))) {
        const std::uint8_t type = event->response_type & 0x7f;
        if (type == XCB_GE_GENERIC) {
            const auto* raw = reinterpret_cast<const xcb_input_raw_key_press_event_t*>(event.get());
            if (raw->extension == m_xinputOpcode && (raw->event_type == XCB_INPUT_RAW_KEY_PRESS ||
                                                     raw->event_type == XCB_INPUT_RAW_KEY_RELEASE))
                rawKey(raw->event_type == XCB_INPUT_RAW_KEY_PRESS, raw->detail, raw->sourceid);
        } else if (type == XCB_MAPPING_NOTIFY) {
            m_keyboard->readMapping(c);
        }
        // A report may have stopped the watching.
        if (!m_xcb || m_xcb->get() != c)
            return;
    }
    if (xcb_connection_has_error(c)) {
        qCWarning(lcX11) << "Quillbox: lost the X connection that watched the paste key";
        stop();
    }
}

void XInputPasteKeyWatcher::rawKey(bool isPress, std::uint32_t keycode,
                                   std::uint16_t sourceDevice) {
    if (keycode >= m_keyboard->isDown.size())
        return;
    const bool wasDown = m_keyboard->isDown[keycode];
    m_keyboard->isDown[keycode] = isPress;
    // A press of a key already down is a repeat: one paste per held key.
    if (!isPress || wasDown || !m_keyboard->isV[keycode])
        return;
    // The modifier flags follow every key, ours included; only the counting
    // leaves our own paste out.
    if (isOwnSyntheticKey(sourceDevice))
        return;
    const auto chord = chordOfPressedV();
    if (!chord || *chord != pasteKeysOfFocusedWindow())
        return;
    if (onPasteKeyPressed)
        onPasteKeyPressed();
}

bool XInputPasteKeyWatcher::isOwnSyntheticKey(std::uint16_t sourceDevice) const {
    if (!m_ownKeystrokes || !m_keyboard->xtestDevices.contains(sourceDevice))
        return false;
    const auto sentAt = m_ownKeystrokes->lastKeysSentAt();
    return sentAt && std::chrono::steady_clock::now() - *sentAt < ownKeystrokeWindow;
}

std::optional<PasteKeys> XInputPasteKeyWatcher::chordOfPressedV() const {
    const bool control = m_keyboard->isHeld(Modifier::control);
    const bool shift = m_keyboard->isHeld(Modifier::shift);
    const bool alt = m_keyboard->isHeld(Modifier::alt);
    const bool super = m_keyboard->isHeld(Modifier::super);
    if (!control || super)
        return std::nullopt;
    if (!shift && !alt)
        return PasteKeys::ctrlV;
    if (shift && !alt)
        return PasteKeys::ctrlShiftV;
    if (alt && !shift)
        return PasteKeys::ctrlAltV;
    return std::nullopt;
}

PasteKeys XInputPasteKeyWatcher::pasteKeysOfFocusedWindow() {
    // Asked only when a paste chord is pressed: a few short requests to the
    // X server, which answers itself (no other client is involved).
    return XTestKeystrokeSender::pasteKeysFor(*m_xcb, X11WindowProperties(*m_xcb).activeWindow());
}

} // namespace quillbox
