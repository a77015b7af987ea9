#include "linux/x11/X11AccessProbe.h"

#include "content/Logging.h"
#include "linux/x11/XcbConnection.h"

namespace quillbox {

namespace {

// Raw key events on the root window, which the Paste Stack watches, came
// with XInput 2.2. Asked on a connection of our own: the version a client
// announces binds that connection, and Qt negotiates its own on its own.
constexpr std::uint16_t requiredXIMinor = 2;

} // namespace

X11AccessProbe::X11AccessProbe(QByteArray displayName)
    : m_displayName(std::move(displayName)) {
}

bool X11AccessProbe::isGranted() const {
    if (!m_isGranted)
        m_isGranted = probe();
    return *m_isGranted;
}

bool X11AccessProbe::requestAccess() {
    const bool granted = isGranted();
    if (!granted)
        qCWarning(lcX11, "Quillbox: synthetic keys need the XTEST and XInput 2.2 extensions of "
                         "the X server, which are missing; pasting into other applications and "
                         "the Paste Stack's Ctrl+V watch are off");
    return granted;
}

bool X11AccessProbe::probe() const {
    XcbConnection connection(m_displayName);
    if (!connection.isValid()) {
        qCWarning(lcX11, "Quillbox: no X display; synthetic keys are unavailable");
        return false;
    }
    return connection.hasExtension("XTEST") && connection.announceXInput2(requiredXIMinor);
}

} // namespace quillbox
