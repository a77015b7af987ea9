#include "linux/wayland/WaylandConnection_p.h"

#include <cerrno>
#include <cstring>
#include <poll.h>

namespace quillbox {

namespace {
int remainingMs(WaylandConnection::Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - WaylandConnection::Clock::now());
    return left.count() <= 0 ? 0 : static_cast<int>(left.count());
}
} // namespace

std::unique_ptr<WaylandConnection> WaylandConnection::connect() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return nullptr;
    return std::unique_ptr<WaylandConnection>(new WaylandConnection(display));
}

WaylandConnection::~WaylandConnection() {
    if (m_registry)
        wl_registry_destroy(m_registry);
    wl_display_disconnect(m_display);
}

void WaylandConnection::onGlobal(void* data, wl_registry*, std::uint32_t name,
                                 const char* interface, std::uint32_t version) {
    auto* self = static_cast<WaylandConnection*>(data);
    const Global global{name, version};
    if (std::strcmp(interface, "wl_seat") == 0 && !self->m_seat.isPresent())
        self->m_seat = global; // the first seat: data control serves one
    else if (std::strcmp(interface, "ext_data_control_manager_v1") == 0)
        self->m_extDataControl = global;
    else if (std::strcmp(interface, "zwlr_data_control_manager_v1") == 0)
        self->m_wlrDataControl = global;
    else if (std::strcmp(interface, "zwp_virtual_keyboard_manager_v1") == 0)
        self->m_virtualKeyboard = global;
}

void WaylandConnection::onGlobalRemove(void* data, wl_registry*, std::uint32_t name) {
    auto* self = static_cast<WaylandConnection*>(data);
    for (Global* global : {&self->m_seat, &self->m_extDataControl, &self->m_wlrDataControl,
                           &self->m_virtualKeyboard}) {
        if (global->name == name)
            *global = {};
    }
}

bool WaylandConnection::readGlobals(Clock::time_point deadline) {
    static const wl_registry_listener listener = {&WaylandConnection::onGlobal,
                                                  &WaylandConnection::onGlobalRemove};
    if (!m_registry) {
        m_registry = wl_display_get_registry(m_display);
        wl_registry_add_listener(m_registry, &listener, this);
    }
    bool done = false;
    wl_callback* callback = wl_display_sync(m_display);
    static const wl_callback_listener syncListener = {
        [](void* data, wl_callback*, std::uint32_t) { *static_cast<bool*>(data) = true; }};
    wl_callback_add_listener(callback, &syncListener, &done);
    const bool answered = dispatchUntil([&] { return done; }, deadline);
    wl_callback_destroy(callback);
    return answered;
}

bool WaylandConnection::flush() {
    while (wl_display_flush(m_display) < 0) {
        if (errno == EAGAIN)
            return true; // the rest goes out when the socket drains
        if (errno != EINTR)
            return false;
    }
    return true;
}

bool WaylandConnection::dispatchUntil(const std::function<bool()>& done,
                                      Clock::time_point deadline) {
    while (!done()) {
        while (wl_display_prepare_read(m_display) != 0) {
            if (wl_display_dispatch_pending(m_display) < 0)
                return false;
        }
        if (!flush()) {
            wl_display_cancel_read(m_display);
            return false;
        }
        pollfd fd{wl_display_get_fd(m_display), POLLIN, 0};
        const int ready = ::poll(&fd, 1, remainingMs(deadline));
        if (ready > 0) {
            if (wl_display_read_events(m_display) < 0)
                return false;
        } else {
            wl_display_cancel_read(m_display);
            if (ready < 0 && errno != EINTR)
                return false;
            if (ready == 0 && Clock::now() >= deadline)
                return false;
        }
        if (wl_display_dispatch_pending(m_display) < 0)
            return false;
    }
    return true;
}

} // namespace quillbox
