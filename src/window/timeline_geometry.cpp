#include "window/timeline_geometry.h"

#include <algorithm>
#include <cmath>

double xOfTime(const StripAxis& axis, double ms) {
    return axis.left + (ms - axis.shown.from) * axis.width / axis.shown.length();
}

double timeAtX(const StripAxis& axis, double x) {
    return axis.shown.from + (x - axis.left) * axis.shown.length() / axis.width;
}

TimeWindow wholeWindow(double durationMs, bool anyStamp, double firstMs, double lastMs,
                       double playheadMs) {
    const bool known = std::isfinite(durationMs) && durationMs > 0.0;
    double from = 0.0;
    double to = known ? durationMs : 0.0;
    if (anyStamp) {
        from = std::min(from, firstMs);
        to = std::max(to, lastMs);
    }
    if (std::isfinite(playheadMs)) {
        from = std::min(from, playheadMs);
        to = std::max(to, playheadMs);
    }
    if (!known && to > 0.0 && to < 1e15) {
        // Up to the next tenth of a round length (1, 2 or 5 times a power of
        // ten), so that a growing transcript seldom moves the axis: each move
        // draws every row again.
        double step = 1.0;
        for (int i = 0; to / step > 10.0; ++i)
            step *= i % 3 == 1 ? 2.5 : 2.0;
        to = std::ceil(to / step) * step;
    }
    return {from, std::max(to, from + kShortestShown)};
}

TimeWindow clampInto(const TimeWindow& shown, const TimeWindow& whole) {
    const double length = std::min(shown.length(), whole.length());
    double from = std::clamp(shown.from, whole.from, whole.to - length);
    return {from, from + length};
}

TimeWindow zoomAround(const TimeWindow& shown, double anchorMs, double factor,
                      const TimeWindow& whole) {
    const double length = std::clamp(shown.length() * factor,
                                     std::min(kShortestShown, whole.length()), whole.length());
    const double share = (anchorMs - shown.from) / shown.length();
    const double from = anchorMs - share * length;
    return clampInto({from, from + length}, whole);
}

TimeWindow followPlayhead(const TimeWindow& shown, double playheadMs, const TimeWindow& whole) {
    if (playheadMs >= shown.from && playheadMs <= shown.to)
        return shown;
    const double from = playheadMs - shown.length() / 10.0;
    return clampInto({from, from + shown.length()}, whole);
}

double rowHeight(int count, double height) {
    return count > 0 ? height / count : height;
}

double rowTop(int row, int count, double top, double height) {
    return top + row * rowHeight(count, height);
}

int rowAt(double y, int count, double top, double height) {
    if (count <= 0 || y < top || y >= top + height)
        return -1;
    return std::min(count - 1, int((y - top) / rowHeight(count, height)));
}
