#pragma once

// Key presses through the X server's XTEST extension with libxcb alone (no
// XTEST client library needed): the server stamps and delivers them to the
// focused window as it does a keyboard's.

#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <sys/uio.h>

#include <cstdint>
#include <cstdlib>

namespace bench {

class XKeys {
public:
    XKeys() : connection_(xcb_connect(nullptr, nullptr)) {}
    ~XKeys() { xcb_disconnect(connection_); }
    XKeys(const XKeys&) = delete;
    XKeys& operator=(const XKeys&) = delete;

    bool ok() {
        if (xcb_connection_has_error(connection_))
            return false;
        const xcb_query_extension_reply_t* found = xcb_get_extension_data(connection_, &xtest());
        return found && found->present;
    }

    // Presses and releases the key of keycode; returns once the server has
    // handled both.
    void tap(std::uint8_t keycode) {
        fakeInput(2, keycode); // KeyPress
        fakeInput(3, keycode); // KeyRelease
        std::free(
            xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }

private:
    static xcb_extension_t& xtest() {
        static xcb_extension_t extension = {"XTEST", 0};
        return extension;
    }

    // XTEST FakeInput (minor opcode 2) at the server's current time.
    void fakeInput(std::uint8_t type, std::uint8_t detail) {
        struct Request {
            std::uint8_t major, minor;
            std::uint16_t length;
            std::uint8_t type, detail, pad0[2];
            std::uint32_t time, root;
            std::uint8_t pad1[8];
            std::int16_t rootX, rootY;
            std::uint8_t pad2[7];
            std::uint8_t device;
        } request{};
        static_assert(sizeof(Request) == 36);
        request.type = type;
        request.detail = detail;
        // xcb_send_request writes its prefix in the two entries before.
        iovec parts[4] = {};
        parts[2] = {&request, sizeof request};
        const xcb_protocol_request_t info = {2, &xtest(), 2, 1};
        xcb_send_request(connection_, 0, parts + 2, &info);
    }

    xcb_connection_t* connection_;
};

} // namespace bench
