#include "linux/x11/XTestKeystrokeSender.h"

#include "content/Logging.h"
#include "linux/x11/X11KeyboardMap_p.h"
#include "linux/x11/X11WindowProperties.h"
#include "linux/x11/XcbConnection.h"
#include "linux/x11/XcbReply_p.h"

#include <QList>
#include <X11/keysym.h>
#include <unistd.h>
#include <utility>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace quillbox {

namespace {

// _NET_ACTIVE_WINDOW source indication "pager": window managers apply focus
// stealing prevention to source 1 (applications), which would leave the
// target unfocused since Quillbox is not the active application.
constexpr std::uint32_t sourceIndicationPager = 2;

} // namespace

// Keycodes looked up for one sequence; the layout may change between pastes.
struct XTestKeystrokeSender::Keyboard {
    QList<xcb_keycode_t> modifierKeys;
};

XTestKeystrokeSender::XTestKeystrokeSender(QObject* parent)
    : QObject(parent)
    , m_xcb(std::make_unique<XcbConnection>())
    , m_keyboard(std::make_unique<Keyboard>()) {
    m_hasXTest = m_xcb->isValid() && m_xcb->hasExtension("XTEST");
    if (!m_hasXTest)
        qCWarning(lcX11)
            << "Quillbox: no X display with the XTEST extension; pasting will only copy";
    m_timer.setInterval(pollInterval);
    connect(&m_timer, &QTimer::timeout, this, &XTestKeystrokeSender::step);
}

XTestKeystrokeSender::~XTestKeystrokeSender() = default;

bool XTestKeystrokeSender::isAvailable() const {
    return m_hasXTest;
}

std::optional<std::uint32_t> XTestKeystrokeSender::activeWindow() {
    return X11WindowProperties(*m_xcb).activeWindow();
}

bool XTestKeystrokeSender::isOwnWindow(std::uint32_t window) {
    const auto identity = X11WindowProperties(*m_xcb).identity(window);
    return identity && identity->pid == static_cast<std::uint32_t>(getpid());
}

PasteKeys XTestKeystrokeSender::pasteKeysFor(XcbConnection& connection,
                                             std::optional<std::uint32_t> window) {
    const auto identity = window ? X11WindowProperties(connection).identity(*window) : std::nullopt;
    if (!identity)
        return PasteKeys::ctrlV;
    return pasteKeysForWindowClass(identity->instance, identity->windowClass);
}

void XTestKeystrokeSender::rememberTargetWindow() {
    if (!m_hasXTest)
        return;
    const auto window = activeWindow();
    // With one of Quillbox's own windows in front (the settings, say), the
    // window to paste into is still the one remembered before.
    if (window && isOwnWindow(*window))
        return;
    m_target = window;
}

void XTestKeystrokeSender::requestActivation(std::uint32_t window) {
    XcbConnection::sendToWindowManager(
        m_xcb->get(), m_xcb->rootWindow(), window, m_xcb->atom("_NET_ACTIVE_WINDOW"),
        {sourceIndicationPager, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0});
}

void XTestKeystrokeSender::sendPasteKeystroke(Outcome done) {
    if (done)
        m_waiting.push_back(std::move(done));
    if (!m_hasXTest) {
        qCInfo(lcX11) << "Quillbox: no XTEST; the item is on the clipboard for a manual paste";
        finish(false);
        return;
    }
    if (m_phase != Phase::idle) {
        qCDebug(lcX11) << "Quillbox: a paste keystroke is already on its way";
        return;
    }
    // Events we never asked for (MappingNotify goes to every client) would
    // pile up in the connection's queue; drop them.
    while (adopt(xcb_poll_for_event(m_xcb->get()))) {
    }

    const auto active = activeWindow();
    m_keys = pasteKeysFor(*m_xcb, m_target ? m_target : active);
    if (m_target && active != m_target) {
        requestActivation(*m_target);
        m_phase = Phase::focusing;
    } else {
        m_phase = Phase::waitingForModifiers;
    }
    m_phaseClock.start();
    m_timer.start();
    step();
}

void XTestKeystrokeSender::step() {
    using namespace std::chrono;
    if (m_phase == Phase::focusing) {
        const bool focused = activeWindow() == m_target;
        if (!focused && m_phaseClock.elapsed() < focusTimeout.count())
            return;
        if (!focused)
            qCInfo(lcX11) << "Quillbox: the window to paste into did not take the focus back;"
                             " pasting into the active window";
        m_phase = Phase::waitingForModifiers;
        m_phaseClock.start();
    }
    if (m_phase == Phase::waitingForModifiers) {
        // Ctrl+V sent while the user still holds Super and Shift of the panel's
        // shortcut would arrive as Super+Shift+Ctrl+V, which no application
        // takes for paste.
        const bool held = areModifiersHeld();
        if (held && m_phaseClock.elapsed() < modifierReleaseTimeout.count())
            return;
        if (held)
            qCInfo(lcX11) << "Quillbox: modifier keys still held; pasting regardless";
        finish(sendKeys(m_keys));
    }
}

void XTestKeystrokeSender::finish(bool sent) {
    m_timer.stop();
    m_phase = Phase::idle;
    // A callback may ask for the next paste at once.
    for (const Outcome& done : std::exchange(m_waiting, {}))
        done(sent);
}

bool XTestKeystrokeSender::areModifiersHeld() {
    xcb_connection_t* c = m_xcb->get();
    if (m_keyboard->modifierKeys.isEmpty()) {
        const auto rows = X11KeyboardMap::modifierRows(c);
        // Rows: Shift, Lock, Control, Mod1..Mod5. Lock (Caps Lock) and Mod2
        // (Num Lock) are toggles, not keys anyone holds through a shortcut.
        for (int row : {0, 2, 3, 5, 6, 7})
            m_keyboard->modifierKeys.append(rows[row]);
    }
    const auto keymap = xcbReply(xcb_query_keymap_reply, c, xcb_query_keymap(c));
    if (!keymap)
        return false;
    for (const xcb_keycode_t key : m_keyboard->modifierKeys) {
        if (keymap->keys[key / 8] & (1 << (key % 8)))
            return true;
    }
    return false;
}

bool XTestKeystrokeSender::sendKeys(PasteKeys keys) {
    // The modifier map is read afresh for the next paste: the layout may change.
    m_keyboard->modifierKeys.clear();
    if (keys == PasteKeys::none) {
        qCInfo(lcX11) << "Quillbox: this terminal has no key that pastes the clipboard;"
                         " the item is on the clipboard";
        return false;
    }
    xcb_connection_t* c = m_xcb->get();
    const X11KeyboardMap keyboard(c);
    QList<xcb_keycode_t> chord{keyboard.keyCode(XK_Control_L)};
    if (keys == PasteKeys::ctrlShiftV)
        chord.append(keyboard.keyCode(XK_Shift_L));
    if (keys == PasteKeys::ctrlAltV)
        chord.append(keyboard.keyCode(XK_Alt_L));
    // The lower-case keysym: its key is the V key on every Latin layout, and
    // toolkits match Ctrl+V by it on other layouts' first group too.
    const xcb_keycode_t v = keyboard.keyCode(XK_v);
    if (v == XCB_NO_SYMBOL || chord.contains(XCB_NO_SYMBOL)) {
        qCWarning(lcX11) << "Quillbox: the keyboard layout has no V or modifier key to paste with";
        return false;
    }
    const auto fake = [c](std::uint8_t type, xcb_keycode_t key) {
        xcb_test_fake_input(c, type, key, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    };
    m_lastKeysSentAt = std::chrono::steady_clock::now();
    for (const xcb_keycode_t key : chord)
        fake(XCB_KEY_PRESS, key);
    fake(XCB_KEY_PRESS, v);
    fake(XCB_KEY_RELEASE, v);
    for (auto it = chord.crbegin(); it != chord.crend(); ++it)
        fake(XCB_KEY_RELEASE, *it);
    xcb_flush(c);
    return true;
}

} // namespace quillbox
