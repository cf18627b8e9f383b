#include "session/line_order.h"

#include <algorithm>
#include <limits>

std::size_t insertionIndex(std::size_t count,
                           const std::function<std::optional<double>(std::size_t)>& timeAt,
                           double t) {
    // The first timed line after the last one not after t is where the new
    // line goes; walking back, that is the last timed line seen so far.
    std::size_t firstLater = count;
    for (std::size_t i = count; i-- > 0;) {
        const std::optional<double> time = timeAt(i);
        if (!time)
            continue;
        if (*time <= t)
            return firstLater;
        firstLater = i;
    }
    return firstLater;
}

PlayheadLines::PlayheadLines(const std::vector<std::optional<double>>& times)
    : suffixMin_(times.size()) {
    double least = std::numeric_limits<double>::infinity();
    for (std::size_t i = times.size(); i-- > 0;) {
        if (times[i] && *times[i] < least)
            least = *times[i];
        suffixMin_[i] = least;
    }
}

long PlayheadLines::lineAt(double t) const {
    // The least times from each line on never fall with the line: the last
    // line whose own is not after t is the one (its own time is that least).
    const auto after = std::upper_bound(suffixMin_.begin(), suffixMin_.end(), t);
    return long(after - suffixMin_.begin()) - 1;
}
