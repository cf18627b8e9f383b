#pragma once

#include <QByteArray>

#include <cstdint>
#include <initializer_list>
#include <optional>

#include <mpv/client.h>

// The libmpv player's traffic with its engine: the properties it observes,
// the tags of its asynchronous requests, the requests themselves and the
// values read out of the engine's events. No state of the player.
//
// Every request does nothing without an engine (a null handle). Thread
// rules: those of the handle; the player uses them on the user-interface
// thread.

// Observed engine properties (reply ids of mpv_observe_property).
enum Observed : std::uint64_t {
    kTimePos = 1,
    kPauseFlag,
    kEofReached,
    kDisplayWidth,
    kDisplayHeight,
    kContainerFps,
    kDuration,
};

// Observes every property above under its id.
void observePlayerProperties(mpv_handle* handle);

// What an asynchronous request was for; its generation sits above these bits.
enum Request : std::uint64_t {
    kPauseRequest = 1, // pause or unpause; counted until answered
    kOtherRequest,     // speed, stop: nothing to do with the answer
    kLoadRequest,      // loadfile, per load generation
    kFirstFrameTime,   // time-pos of the first frame, per load generation
    kFirstFrameWidth,  // dwidth, per load generation
    kFirstFrameHeight, // dheight, per load generation
    kSeekRequest,      // seek or frame-back-step, per seek generation
    kLandingTime,      // time-pos after a seek, per seek generation
    kPausePoll,        // pause while playing, per rate generation
    kBackStepRequest,  // frame-back-step, or a seek for several steps, per seek generation
    kStepLandingTime,  // time-pos after a frame step back, per step back
    kFillRequest,      // seek or frame-step filling the picture's keep, per fill
    kFillLanding,      // time-pos of a frame decoded for the keep, per fill
};

constexpr std::uint64_t tag(Request kind, std::uint64_t generation) {
    return (generation << 8) | kind;
}
constexpr Request kindOf(std::uint64_t userdata) {
    return Request(userdata & 0xff);
}
constexpr std::uint64_t generationOf(std::uint64_t userdata) {
    return userdata >> 8;
}

void sendCommand(mpv_handle* handle, std::initializer_list<const char*> args,
                 std::uint64_t userdata);
void setFlagAsync(mpv_handle* handle, const char* name, bool value, std::uint64_t userdata);
void setDoubleAsync(mpv_handle* handle, const char* name, double value, std::uint64_t userdata);
void getPropertyAsync(mpv_handle* handle, const char* name, mpv_format format,
                      std::uint64_t userdata);

// A time in seconds as a command argument, in microseconds' precision.
QByteArray secondsArgument(double seconds);

// The value of a property event (change or reply) when it succeeded and has
// the format asked for.
std::optional<double> doubleValue(const mpv_event& event);
std::optional<std::int64_t> int64Value(const mpv_event& event);
std::optional<bool> flagValue(const mpv_event& event);

// The playlist entry that a START_FILE or END_FILE event is about.
std::int64_t entryOf(const mpv_event& event);
// Whether an END_FILE event says that the file could not be played (an
// error, or a redirect: a playlist or reference the engine would follow).
bool endedInFailure(const mpv_event& event);

// The integer under key in a command's result map, if there is one.
std::optional<std::int64_t> resultInt64(const mpv_event& event, const char* key);
