#include "platform/frame_clock.h"

#include <algorithm>
#include <optional>

FrameClock::FrameClock() {
    clock_.setFrameSpan(frameDuration());
}

void FrameClock::newItem() {
    history_.clear();
    clock_.setEnd(0.0);
    setFps(0.0);
    jumpTo(0.0);
}

void FrameClock::setFps(double fps) {
    fps_ = fps;
    clock_.setFrameSpan(frameDuration());
}

void FrameClock::play(double speed, double now) {
    lastPts_ = -1.0;
    lastStep_ = 0.0;
    unshown_.clear();
    clock_.play(speed, now);
}

void FrameClock::setSpeed(double speed, double now) {
    clock_.setSpeed(speed, now);
    unshown_.clear();
}

void FrameClock::pause(double now) {
    clock_.pause(now);
    unshown_.clear();
}

void FrameClock::jumpTo(double target) {
    clock_.pauseAt(target);
    clock_.forgetFrame();
    unshown_.clear();
}

void FrameClock::playingFrame(double pts, double now, bool drawn) {
    if (drawn)
        unshown_.reported(pts, now);
    else
        anchor(pts, now);
}

std::optional<double> FrameClock::presented(double due, double at, double speed) {
    // Half the wall time between two frames' due times.
    const double slack = frameDuration() / speed / 2.0;
    bool matched = false;
    const std::optional<double> pts = unshown_.presented(due, slack, speed, &matched);
    if (pts)
        anchor(*pts, at);
    return matched ? pts : std::nullopt;
}

std::optional<double> FrameClock::latestFrame() const {
    const std::optional<double> shown = clock_.frame();
    const std::optional<double> coming = unshown_.latest();
    if (shown && coming)
        return std::max(*shown, *coming);
    return shown ? shown : coming;
}

void FrameClock::note(double now) {
    history_.segment(now, clock_.read(now), clock_.playing() ? clock_.speed() : 0.0);
}

// Frames dropped at high speed: the next frame on screen comes later. The
// span is the smaller of the last two steps, so that one late frame (the
// interface was busy) does not widen it.
void FrameClock::anchor(double pts, double at) {
    if (lastPts_ >= 0.0 && pts > lastPts_) {
        const double step = std::min(pts - lastPts_, 1.0);
        clock_.setFrameSpan(std::max(frameDuration(), std::min(step, lastStep_)));
        lastStep_ = step;
    }
    lastPts_ = pts;
    clock_.frameShown(pts, at);
}
