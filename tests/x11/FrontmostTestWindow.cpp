// A bare X11 client for the frontmost-application tests: maps one top-level
// window with the WM_CLASS given on the command line and this process's
// _NET_WM_PID, prints the window id, and stays until it is ended.
//   quillbox_test_window <instance> <class>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <xcb/xcb.h>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <instance> <class>\n", argv[0]);
        return 2;
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "cannot connect to the display\n");
        return 1;
    }
    // The test display has one screen.
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;

    const xcb_window_t window = xcb_generate_id(connection);
    const uint32_t values[] = {screen->white_pixel};
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 10, 10, 200, 100, 1,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL,
                      values);

    // WM_CLASS: instance and class, each NUL-terminated.
    std::string wmClass = std::string(argv[1]) + '\0' + argv[2] + '\0';
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS,
                        XCB_ATOM_STRING, 8, static_cast<uint32_t>(wmClass.size()), wmClass.data());
    const char pidName[] = "_NET_WM_PID";
    auto* pidAtom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, sizeof pidName - 1, pidName), nullptr);
    const uint32_t pid = static_cast<uint32_t>(getpid());
    if (pidAtom)
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, pidAtom->atom,
                            XCB_ATOM_CARDINAL, 32, 1, &pid);
    std::free(pidAtom);
    xcb_map_window(connection, window);
    xcb_flush(connection);

    std::printf("%u\n", window);
    std::fflush(stdout);
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection))
        std::free(event);
    xcb_disconnect(connection);
    return 0;
}
