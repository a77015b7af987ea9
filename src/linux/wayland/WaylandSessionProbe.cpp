#include "linux/wayland/WaylandSessionProbe.h"

#include "linux/wayland/WaylandConnection_p.h"

namespace quillbox {

WaylandSessionProbe WaylandSessionProbe::probe(std::chrono::milliseconds timeout) {
    WaylandSessionProbe result;
    auto connection = WaylandConnection::connect();
    if (!connection)
        return result;
    result.connected = true;
    if (!connection->readGlobals(WaylandConnection::Clock::now() + timeout))
        return result;
    if (!connection->seat().isPresent())
        return result; // data control serves a seat's selection
    result.virtualKeyboard = connection->virtualKeyboard().isPresent();
    if (connection->extDataControl().isPresent())
        result.dataControl = QStringLiteral("ext_data_control_manager_v1");
    else if (connection->wlrDataControl().isPresent())
        result.dataControl = QStringLiteral("zwlr_data_control_manager_v1");
    return result;
}

} // namespace quillbox
