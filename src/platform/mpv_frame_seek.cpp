#include "platform/mpv_frame_seek.h"

#include <algorithm>
#include <cmath>

namespace {
// Containers with a millisecond time base round frame times by up to half of
// it; a target this close before a frame's estimated time may be its time.
constexpr double kRounding = 0.0006;
// Two frame times closer than this are the same time.
constexpr double kSameTime = 1e-6;
// A landing this far from the grid's estimate means the frame rate is not
// constant: later seeks go to the target itself and are corrected.
constexpr double kGridMismatch = 0.002;
} // namespace

std::optional<double> gridFrameAtOrBefore(double target, const FrameGrid& grid) {
    if (!(grid.fps > 0.0) || !std::isfinite(target))
        return std::nullopt;
    const double k = std::floor((target - grid.firstPts + kRounding) * grid.fps);
    if (k < 0.0)
        return std::nullopt;
    return grid.firstPts + k / grid.fps;
}

double engineSeekTarget(double target, const std::optional<FrameGrid>& grid) {
    if (!grid)
        return target;
    const std::optional<double> frame = gridFrameAtOrBefore(target, *grid);
    if (!frame)
        return grid->firstPts;
    // Keep the frame even if its real time is a little before the estimate,
    // and drop the one before it.
    const double margin = std::min(0.001, 0.25 / grid->fps);
    return *frame + kEngineSeekSlack - margin;
}

Landing judgeLanding(double target, double shown, double firstPts, double frameSpan,
                     double duration) {
    if (shown > target + kSameTime) {
        if (shown <= firstPts + kSameTime)
            return Landing::Done;
        // An exact seek lands at most a frame late: a landing further on is
        // that of an earlier seek this one replaced.
        return shown > target + 1.5 * frameSpan ? Landing::SeekPlain : Landing::StepBack;
    }
    const bool nearEnd = duration > 0.0 && target >= duration - 1.5 * frameSpan;
    if (!nearEnd && shown + 1.5 * frameSpan < target)
        return Landing::SeekPlain;
    return Landing::Done;
}

bool gridMissed(double estimate, double shown, double target, double frameSpan, double duration) {
    return std::abs(shown - estimate) > kGridMismatch && shown <= target &&
           target + frameSpan < duration;
}
