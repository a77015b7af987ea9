#pragma once

// A Wayland client connection of Quillbox's own (never Qt's), with the globals
// the clipboard needs. Private to linux/wayland: it names libwayland's types.

#include <QByteArray>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <wayland-client.h>

namespace quillbox {

class WaylandConnection {
public:
    using Clock = std::chrono::steady_clock;

    // Connects to the compositor named by WAYLAND_DISPLAY; none without one.
    static std::unique_ptr<WaylandConnection> connect();
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    wl_display* display() const { return m_display; }
    int fileDescriptor() const { return wl_display_get_fd(m_display); }

    // Lists the globals: one round trip, bounded by the deadline. False when
    // the compositor did not answer in time or the connection broke.
    bool readGlobals(Clock::time_point deadline);

    struct Global {
        std::uint32_t name = 0;
        std::uint32_t version = 0;
        bool isPresent() const { return name != 0; }
    };
    Global seat() const { return m_seat; }
    Global extDataControl() const { return m_extDataControl; }
    Global wlrDataControl() const { return m_wlrDataControl; }
    Global virtualKeyboard() const { return m_virtualKeyboard; }
    wl_registry* registry() const { return m_registry; }

    // Serves the connection's events until `done` holds or the deadline
    // passes, never waiting past it. False on timeout or a broken connection.
    bool dispatchUntil(const std::function<bool()>& done, Clock::time_point deadline);
    // Sends what is buffered without waiting; false when the connection broke.
    bool flush();

private:
    explicit WaylandConnection(wl_display* display)
        : m_display(display) {}
    static void onGlobal(void* data, wl_registry* registry, std::uint32_t name,
                         const char* interface, std::uint32_t version);
    static void onGlobalRemove(void* data, wl_registry* registry, std::uint32_t name);

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    Global m_seat;
    Global m_extDataControl;
    Global m_wlrDataControl;
    Global m_virtualKeyboard;
};

} // namespace quillbox
