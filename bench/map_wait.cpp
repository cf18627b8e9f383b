// Starts a program and reports when its first top-level window is mapped on
// the X display: the "window shown" moment of a program seen from outside.
// Prints one JSON line {"pid":P,"window":W,"map_s":S}, S being the seconds
// from just before the program was started, then waits for the program and
// exits with its status (or 1 if no window appeared within the time limit,
// after ending the program).
// Usage: map_wait TIMEOUT_SECONDS PROGRAM [ARGS...]
#include <xcb/xcb.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TIMEOUT PROGRAM [ARGS...]\n", argv[0]);
        return 2;
    }
    const double timeout = std::atof(argv[1]);
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "map_wait: no X display\n");
        return 2;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    // Make sure the selection is in force before the program starts.
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

    const double start = now();
    const pid_t pid = fork();
    if (pid == 0) {
        close(xcb_get_file_descriptor(c));
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    if (pid < 0)
        return 2;

    bool mapped = false;
    pollfd pfd{xcb_get_file_descriptor(c), POLLIN, 0};
    while (!mapped && now() - start < timeout) {
        poll(&pfd, 1, 50);
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY && !mapped) {
                auto* m = reinterpret_cast<xcb_map_notify_event_t*>(e);
                if (!m->override_redirect) {
                    mapped = true;
                    std::printf("{\"pid\":%d,\"window\":%u,\"map_s\":%.6f}\n", int(pid),
                                unsigned(m->window), now() - start);
                    std::fflush(stdout);
                }
            }
            free(e);
        }
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return 1;
    }
    xcb_disconnect(c);
    if (!mapped) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return 1;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 0;
}
