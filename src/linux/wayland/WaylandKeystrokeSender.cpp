#include "linux/wayland/WaylandKeystrokeSender.h"

#include "content/Logging.h"
#include "linux/wayland/WaylandInputConnection.h"

#include <utility>

namespace quillbox {

WaylandKeystrokeSender::WaylandKeystrokeSender(std::shared_ptr<WaylandInputConnection> connection,
                                               QObject* parent)
    : QObject(parent)
    , m_connection(std::move(connection))
    , m_keys(PasteKeySequence::make()) {
    if (m_keys)
        m_connection->prepareKeyboard(m_keys->keymapText());
    else
        qCWarning(lcApp) << "Quillbox: libxkbcommon made no keymap; pasting will only copy";
    m_timer.setInterval(pollInterval);
    connect(&m_timer, &QTimer::timeout, this, &WaylandKeystrokeSender::step);
}

WaylandKeystrokeSender::~WaylandKeystrokeSender() = default;

void WaylandKeystrokeSender::rememberTargetWindow() {
    // With one of Quillbox's own windows in front, this is the other
    // program's window that was in front before it.
    if (const auto active = m_connection->activeToplevel())
        m_target = active->id;
}

void WaylandKeystrokeSender::sendPasteKeystroke(Outcome done) {
    if (done)
        m_waiting.push_back(std::move(done));
    if (m_timer.isActive())
        return; // keys on their way paste what the clipboard holds then
    m_hasAskedForFocus = false;
    m_clock.start();
    m_timer.start();
    step();
}

void WaylandKeystrokeSender::step() {
    WaylandInputConnection& connection = *m_connection;
    const bool waited = m_clock.elapsed() >= focusTimeout.count();
    if (!connection.isReady() && !waited)
        return;
    if (!connection.hasVirtualKeyboard() || !m_keys) {
        qCInfo(lcApp) << "Quillbox: the compositor offers no virtual keyboard; the item is on "
                         "the clipboard for a manual paste";
        finish(false);
        return;
    }
    // The keys go to the window with the keyboard focus: first the target
    // must have it back from Quillbox's own window.
    const auto target = m_target ? connection.toplevel(*m_target) : std::nullopt;
    const bool focused = target ? target->isActivated : !connection.isOwnWindowActive();
    if (!focused && !waited) {
        // Quillbox's window may stay (the Paste Stack's): the compositor
        // is asked, rather than left to move the focus by itself.
        if (target && !m_hasAskedForFocus) {
            connection.activate(target->id);
            m_hasAskedForFocus = true;
        }
        return;
    }
    if (!focused)
        qCInfo(lcApp) << "Quillbox: the window to paste into did not take the focus back;"
                         " pasting into the focused one";
    const auto inFront = target ? target : connection.activeToplevel();
    const QString appId = inFront ? inFront->appId : QString();
    const PasteKeys keys = pasteKeysForWindowClass(appId, appId);
    if (keys == PasteKeys::none) {
        qCInfo(lcApp) << "Quillbox: this terminal has no key that pastes the clipboard;"
                         " the item is on the clipboard";
        finish(false);
        return;
    }
    finish(connection.type(m_keys->steps(keys)));
}

void WaylandKeystrokeSender::finish(bool sent) {
    m_timer.stop();
    for (const Outcome& done : std::exchange(m_waiting, {}))
        done(sent);
}

} // namespace quillbox
