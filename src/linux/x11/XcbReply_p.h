// Ownership of what xcb hands out with malloc (replies, events, errors,
// keycode lists), for the X11 backend's .cpp files.
#pragma once

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace quillbox {

struct XcbFree {
    void operator()(void* pointer) const noexcept { std::free(pointer); }
};

// One pointer wide, unlike a unique_ptr that carries &free along.
template <typename T> using XcbReply = std::unique_ptr<T, XcbFree>;

template <typename T> XcbReply<T> adopt(T* pointer) {
    return XcbReply<T>(pointer);
}

// A reply, or the error the server sent instead.
template <typename T> struct XcbAnswer {
    XcbReply<T> reply;
    XcbReply<xcb_generic_error_t> error;

    explicit operator bool() const { return reply != nullptr; }
    T* operator->() const { return reply.get(); }
    T* get() const { return reply.get(); }
    std::uint8_t errorCode() const { return error ? error->error_code : 0; }
};

// Waits for the answer to `cookie` through its reply function, e.g.
// xcbReply(xcb_get_property_reply, c, cookie). The error is always taken
// here: left to the event queue, it would reach whoever reads events on the
// connection (Qt logs each one), or pile up where nobody does.
template <typename T, typename Cookie>
XcbAnswer<T> xcbReply(T* (*replyFunction)(xcb_connection_t*, Cookie, xcb_generic_error_t**),
                      xcb_connection_t* connection, Cookie cookie) {
    xcb_generic_error_t* error = nullptr;
    T* reply = replyFunction(connection, cookie, &error);
    return {adopt(reply), adopt(error)};
}

// Waits for a checked request that has no reply; the error, if any.
inline XcbReply<xcb_generic_error_t> xcbCheck(xcb_connection_t* connection,
                                              xcb_void_cookie_t cookie) {
    return adopt(xcb_request_check(connection, cookie));
}

} // namespace quillbox
