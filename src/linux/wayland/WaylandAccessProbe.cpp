#include "linux/wayland/WaylandAccessProbe.h"

#include "linux/wayland/WaylandInputConnection.h"

namespace quillbox {

WaylandAccessProbe::WaylandAccessProbe(std::shared_ptr<WaylandInputConnection> connection)
    : m_connection(std::move(connection)) {
}

// Before the compositor's first answer, granted: the keystroke sender then
// finds out, and says so, rather than every paste asking for nothing.
bool WaylandAccessProbe::isGranted() const {
    return !m_connection->isReady() || m_connection->hasVirtualKeyboard();
}

} // namespace quillbox
