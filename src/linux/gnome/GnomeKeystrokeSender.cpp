#include "linux/gnome/GnomeKeystrokeSender.h"

#include "content/Logging.h"
#include "linux/desktop/TerminalPasteKeys.h"
#include "linux/gnome/GnomeShellConnection.h"

#include <utility>

using namespace Qt::StringLiterals;

namespace quillbox {

GnomeKeystrokeSender::GnomeKeystrokeSender(std::shared_ptr<GnomeShellConnection> connection,
                                           QObject* parent)
    : QObject(parent)
    , m_connection(std::move(connection)) {
    m_timer.setInterval(pollInterval);
    connect(&m_timer, &QTimer::timeout, this, &GnomeKeystrokeSender::step);
}

void GnomeKeystrokeSender::rememberTargetWindow() {
    m_target = m_connection->focusedApplication();
}

QStringList GnomeKeystrokeSender::pasteKeyNames(const QString& appId) {
    switch (pasteKeysForApplication(appId)) {
    case PasteKeys::ctrlV:
        return {u"Control_L"_s, u"v"_s};
    case PasteKeys::ctrlShiftV:
        return {u"Control_L"_s, u"Shift_L"_s, u"V"_s};
    case PasteKeys::ctrlAltV:
        return {u"Control_L"_s, u"Alt_L"_s, u"v"_s};
    case PasteKeys::none:
        break;
    }
    return {};
}

void GnomeKeystrokeSender::sendPasteKeystroke(Outcome done) {
    if (done)
        m_waiting.push_back(std::move(done));
    if (m_timer.isActive())
        return; // keys on their way paste what the clipboard holds then
    m_clock.start();
    m_timer.start();
    step();
}

void GnomeKeystrokeSender::step() {
    // The keys go to the focused window: first the target must have the
    // focus back from Quillbox's own window.
    const QString focused = m_connection->focusedApplication();
    const bool back = m_target.isEmpty() || focused == m_target;
    if (!back && m_clock.elapsed() < focusTimeout.count())
        return;
    m_timer.stop();
    if (!m_connection->isAvailable()) {
        finish(false);
        return;
    }
    const QStringList keys = pasteKeyNames(back ? m_target : focused);
    if (keys.isEmpty()) {
        qCInfo(lcGnome) << "Quillbox: this terminal has no key that pastes the clipboard;"
                           " the item is on the clipboard";
        finish(false);
        return;
    }
    m_connection->sendKeys(keys, [this](bool sent) { finish(sent); });
}

void GnomeKeystrokeSender::finish(bool sent) {
    m_timer.stop();
    for (const Outcome& done : std::exchange(m_waiting, {}))
        done(sent);
}

} // namespace quillbox
