// Another X client for the hot-key tests, in plain xcb.
//
//   TestKeyGrabber grab KEYSYM MASK...   grabs the key of KEYSYM (hexadecimal)
//       on the root window once per modifier MASK (decimal), printing "key
//       KEYCODE", then "grabbed MASK" or "error CODE MASK" for each, then
//       "ready"; holds the grabs until its standard input closes.
//   TestKeyGrabber state                 prints "modifiers MASK": the
//       keyboard's current modifier and lock state.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return 1;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;

    if (std::strcmp(argv[1], "state") == 0) {
        auto* reply = xcb_query_pointer_reply(c, xcb_query_pointer(c, root), nullptr);
        if (!reply)
            return 1;
        std::printf("modifiers %u\n", static_cast<unsigned>(reply->mask));
        std::free(reply);
        xcb_disconnect(c);
        return 0;
    }
    if (std::strcmp(argv[1], "grab") != 0 || argc < 4)
        return 2;

    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c);
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(
        symbols, static_cast<xcb_keysym_t>(std::strtoul(argv[2], nullptr, 16)));
    const xcb_keycode_t key = codes ? codes[0] : 0;
    std::free(codes);
    xcb_key_symbols_free(symbols);
    if (key == 0) {
        std::fprintf(stderr, "no key for %s\n", argv[2]);
        return 1;
    }
    std::printf("key %u\n", static_cast<unsigned>(key));
    for (int i = 3; i < argc; ++i) {
        const auto mask = static_cast<uint16_t>(std::strtoul(argv[i], nullptr, 10));
        const auto cookie =
            xcb_grab_key_checked(c, 0, root, mask, key, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t* error = xcb_request_check(c, cookie)) {
            std::printf("error %d %u\n", error->error_code, static_cast<unsigned>(mask));
            std::free(error);
        } else {
            std::printf("grabbed %u\n", static_cast<unsigned>(mask));
        }
    }
    std::printf("ready\n");
    std::fflush(stdout);
    // Holds the grabs; key events are never read, so none are answered.
    char buffer[64];
    while (read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
    xcb_disconnect(c);
    return 0;
}
