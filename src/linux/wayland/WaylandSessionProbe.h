#pragma once

#include <QString>
#include <chrono>

namespace quillbox {

// What the Wayland session named by WAYLAND_DISPLAY offers Quillbox, learnt
// from one bounded look at the compositor's globals on a short-lived
// connection of its own.
struct WaylandSessionProbe {
    bool connected = false;
    // The data-control manager the clipboard would bind
    // ("ext_data_control_manager_v1", else "zwlr_data_control_manager_v1"),
    // or empty when the compositor offers none (GNOME's does not).
    QString dataControl;

    // Whether paste keys can go out through a virtual keyboard (wlroots
    // compositors); elsewhere only the desktop's RemoteDesktop portal sends them.
    bool virtualKeyboard = false;

    bool offersDataControl() const { return !dataControl.isEmpty(); }

    static WaylandSessionProbe probe(std::chrono::milliseconds timeout = std::chrono::seconds(2));
};

} // namespace quillbox
