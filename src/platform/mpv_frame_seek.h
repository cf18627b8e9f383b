#pragma once

#include <optional>

// How the libmpv player turns "show the frame that is on screen at T" into
// the engine's exact seek, which shows the first frame whose time is not
// before its target minus kEngineSeekSlack instead.
//
// Pure functions over plain values.

// The engine keeps frames down to this much before an exact seek's target.
inline constexpr double kEngineSeekSlack = 0.005;

// A constant frame rate: frame k is at firstPts + k / fps.
struct FrameGrid {
    double firstPts = 0.0;
    double fps = 0.0;
};

// The estimated time of the last frame of grid at or before target, allowing
// for timestamps rounded to a millisecond in the container; nullopt before
// the first frame.
std::optional<double> gridFrameAtOrBefore(double target, const FrameGrid& grid);

// The target to hand the engine so that it shows the last frame at or before
// target: the estimated frame time of that frame when grid is known (so that
// the engine keeps it and drops the one before), else target itself.
double engineSeekTarget(double target, const std::optional<FrameGrid>& grid);

// What to do once an exact seek has landed on the frame of time shown.
enum class Landing {
    Done,     // the frame on screen is the last one at or before the target
    StepBack, // the engine showed a frame after the target: one frame back
    SeekPlain // more than a frame short (the grid guess) or late (a replaced seek's
              // landing): seek to the target itself
};
Landing judgeLanding(double target, double shown, double firstPts, double frameSpan,
                     double duration);

// Whether a seek that was sent to the grid's estimate and landed on the
// frame of time shown says that the frame rate is not constant: far from the
// estimate, not after the target, inside the video.
bool gridMissed(double estimate, double shown, double target, double frameSpan, double duration);
