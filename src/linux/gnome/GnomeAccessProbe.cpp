#include "linux/gnome/GnomeAccessProbe.h"

#include "linux/gnome/GnomeShellConnection.h"

namespace quillbox {

bool GnomeAccessProbe::isGranted() const {
    return m_connection->isAvailable();
}

} // namespace quillbox
