// The engine alone: exact seeks on bare libmpv (null video and audio output,
// paused), each timed from the seek command to the engine's report that
// playback restarted on the new frame. Prints one JSON line:
//   {"figure":"seek_peer","label":L,"ms":[...],"landed":[...]}
// Usage: peer_seek LABEL CLIP TARGET_SECONDS...
//        peer_seek steps CLIP FROM_SECONDS COUNT: COUNT frame-back-steps
//        from FROM_SECONDS, each waited for, timed together (one figure).
//        peer_seek framesteps CLIP FROM_SECONDS COUNT: from FROM_SECONDS,
//        COUNT frame-back-steps then COUNT frame-steps, each timed alone
//        until the engine reports its frame; prints
//        {"figure":"steps_peer","back_ms":[...],"forward_ms":[...]}.
#include <mpv/client.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Waits for an event of type id; false on shutdown or a failed file.
bool waitFor(mpv_handle* h, mpv_event_id id) {
    while (true) {
        mpv_event* e = mpv_wait_event(h, 30.0);
        if (e->event_id == id)
            return true;
        if (e->event_id == MPV_EVENT_SHUTDOWN || e->event_id == MPV_EVENT_NONE)
            return false;
        if (e->event_id == MPV_EVENT_END_FILE)
            return false;
    }
}

// Waits for the engine to report a time other than from; false on a failure.
bool waitForNewTime(mpv_handle* h, double from) {
    while (true) {
        mpv_event* e = mpv_wait_event(h, 30.0);
        if (e->event_id == MPV_EVENT_PROPERTY_CHANGE) {
            auto* p = static_cast<mpv_event_property*>(e->data);
            if (p->format == MPV_FORMAT_DOUBLE && *static_cast<double*>(p->data) != from)
                return true;
        } else if (e->event_id == MPV_EVENT_SHUTDOWN || e->event_id == MPV_EVENT_NONE ||
                   e->event_id == MPV_EVENT_END_FILE) {
            return false;
        }
    }
}

double timePos(mpv_handle* h) {
    double pos = -1.0;
    mpv_get_property(h, "time-pos", MPV_FORMAT_DOUBLE, &pos);
    return pos;
}

// Single frame steps back, then forward, each timed alone.
int frameSteps(mpv_handle* h, const char* from, int count) {
    const char* seek[] = {"seek", from, "absolute+exact", nullptr};
    if (mpv_command(h, seek) < 0 || !waitFor(h, MPV_EVENT_PLAYBACK_RESTART))
        return 1;
    mpv_observe_property(h, 1, "time-pos", MPV_FORMAT_DOUBLE);
    std::string back, forward;
    for (const bool ahead : {false, true}) {
        std::string& out = ahead ? forward : back;
        for (int i = 0; i < count; ++i) {
            const double was = timePos(h);
            const char* step[] = {ahead ? "frame-step" : "frame-back-step", nullptr};
            const double t0 = now();
            if (mpv_command(h, step) < 0 || !waitForNewTime(h, was))
                return 1;
            char buf[32];
            std::snprintf(buf, sizeof buf, "%s%.3f", out.empty() ? "" : ",", (now() - t0) * 1000.0);
            out += buf;
        }
    }
    std::printf("{\"figure\":\"steps_peer\",\"back_ms\":[%s],\"forward_ms\":[%s]}\n", back.c_str(),
                forward.c_str());
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s LABEL CLIP TARGET...\n", argv[0]);
        return 2;
    }
    std::setlocale(LC_NUMERIC, "C");
    mpv_handle* h = mpv_create();
    if (!h)
        return 1;
    for (const auto& [name, value] : {std::pair{"config", "no"},
                                      {"terminal", "no"},
                                      {"vo", "null"},
                                      {"ao", "null"},
                                      {"pause", "yes"},
                                      {"keep-open", "yes"},
                                      {"idle", "yes"}}) {
        mpv_set_option_string(h, name, value);
    }
    if (mpv_initialize(h) < 0)
        return 1;
    const char* load[] = {"loadfile", argv[2], nullptr};
    mpv_command(h, load);
    if (!waitFor(h, MPV_EVENT_FILE_LOADED) || !waitFor(h, MPV_EVENT_PLAYBACK_RESTART)) {
        std::fprintf(stderr, "peer_seek: cannot play %s\n", argv[2]);
        return 1;
    }

    if (std::string(argv[1]) == "framesteps" && argc == 5) {
        const int failed = frameSteps(h, argv[3], std::atoi(argv[4]));
        mpv_terminate_destroy(h);
        return failed;
    }
    std::string ms, landed;
    if (std::string(argv[1]) == "steps" && argc == 5) {
        const char* seek[] = {"seek", argv[3], "absolute+exact", nullptr};
        if (mpv_command(h, seek) < 0 || !waitFor(h, MPV_EVENT_PLAYBACK_RESTART))
            return 1;
        const double t0 = now();
        const char* step[] = {"frame-back-step", nullptr};
        for (int i = 0; i < std::atoi(argv[4]); ++i)
            if (mpv_command(h, step) < 0 || !waitFor(h, MPV_EVENT_PLAYBACK_RESTART))
                return 1;
        double pos = -1.0;
        mpv_get_property(h, "time-pos", MPV_FORMAT_DOUBLE, &pos);
        std::printf("{\"figure\":\"seek_peer\",\"label\":\"steps\",\"ms\":[%.3f],"
                    "\"landed\":[%.6f]}\n",
                    (now() - t0) * 1000.0, pos);
        mpv_terminate_destroy(h);
        return 0;
    }
    for (int i = 3; i < argc; ++i) {
        const double t0 = now();
        const char* seek[] = {"seek", argv[i], "absolute+exact", nullptr};
        if (mpv_command(h, seek) < 0 || !waitFor(h, MPV_EVENT_PLAYBACK_RESTART))
            return 1;
        const double elapsed = (now() - t0) * 1000.0;
        double pos = -1.0;
        mpv_get_property(h, "time-pos", MPV_FORMAT_DOUBLE, &pos);
        char buf[64];
        std::snprintf(buf, sizeof buf, "%s%.3f", ms.empty() ? "" : ",", elapsed);
        ms += buf;
        std::snprintf(buf, sizeof buf, "%s%.6f", landed.empty() ? "" : ",", pos);
        landed += buf;
    }
    std::printf("{\"figure\":\"seek_peer\",\"label\":\"%s\",\"ms\":[%s],\"landed\":[%s]}\n",
                argv[1], ms.c_str(), landed.c_str());
    mpv_terminate_destroy(h);
    return 0;
}
