#include "platform/event_time.h"

#include <algorithm>
#include <chrono>
#include <cmath>

double monotonicSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double eventMoment(std::uint64_t eventMilliseconds, double now) {
    if (eventMilliseconds == 0 || !(now > 0.0))
        return now;
    const auto nowMs = std::uint64_t(std::floor(now * 1000.0));
    const std::uint32_t age = std::uint32_t(nowMs) - std::uint32_t(eventMilliseconds);
    if (double(age) > kMaxEventAgeSeconds * 1000.0)
        return now;
    // The stamp is a whole millisecond: its moment is no later than now.
    return std::min(now, double(nowMs - age) / 1000.0);
}
