#include "session/line_order.h"

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
