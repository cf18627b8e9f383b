#pragma once

#include <cstdint>

// Seconds on the monotonic clock that the player, its video widgets and key
// events share.
double monotonicSeconds();

// The monotonic moment (seconds) at which an input event happened.
//
// The display server stamps events in milliseconds on the monotonic clock,
// kept in 32 bits (Xorg and Xvfb: CLOCK_MONOTONIC; Wayland compositors
// likewise), so the stamp wraps every 49.7 days. The moment is the latest
// time, not after now, that has the event's stamp modulo 2^32. A stamp of 0,
// one from the future or one more than kMaxEventAgeSeconds old (a server on
// another clock, a synthetic event) gives now: the event is taken as
// arriving when it is handled.
inline constexpr double kMaxEventAgeSeconds = 5.0;
double eventMoment(std::uint64_t eventMilliseconds, double now);
