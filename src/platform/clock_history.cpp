#include "platform/clock_history.h"

#include <algorithm>

void ClockHistory::segment(double from, double value, double speed) {
    // A later segment of the same moment replaces it.
    while (!segments_.empty() && segments_.back().from >= from)
        segments_.pop_back();
    segments_.push_back({from, value, speed});
    while (segments_.size() > 1 && segments_[1].from < from - kKeptSeconds)
        segments_.pop_front();
}

std::deque<ClockHistory::Segment>::const_iterator ClockHistory::find(double t) const {
    auto after = std::upper_bound(segments_.begin(), segments_.end(), t,
                                  [](double at, const Segment& s) { return at < s.from; });
    return after == segments_.begin() ? segments_.end() : after - 1;
}

double ClockHistory::readingAt(double t, double now) const {
    if (segments_.empty())
        return now;
    const auto it = find(t);
    if (it == segments_.end())
        return segments_.front().value;
    const double run = it->value + it->speed * (t - it->from);
    const auto next = it + 1;
    // A run that a pause ended never reads past where it stopped; any other
    // run is the continuous clock, also across a stretch without frames.
    if (next != segments_.end() && next->speed == 0.0 && next->value >= it->value)
        return std::min(run, next->value);
    return run;
}

bool ClockHistory::runningAt(double t) const {
    const auto it = find(t);
    return it == segments_.end() ? false : it->speed > 0.0;
}
