#include "platform/mpv_clock.h"

#include <algorithm>

namespace {
// The cap stays this far before the next frame's time.
constexpr double kBeforeNextFrame = 1e-6;
} // namespace

void PlayheadClock::pauseAt(double value) {
    playing_ = false;
    paused_ = value;
    last_ = value;
}

void PlayheadClock::play(double speed, double now) {
    const double from = read(now);
    playing_ = true;
    speed_ = speed;
    anchor_ = from;
    anchorWall_ = now;
    last_ = from;
}

void PlayheadClock::setSpeed(double speed, double now) {
    if (!playing_) {
        speed_ = speed;
        return;
    }
    play(speed, now);
}

void PlayheadClock::pause(double now) {
    pauseAt(read(now));
}

void PlayheadClock::frameShown(double pts, double now) {
    haveFrame_ = true;
    framePts_ = pts;
    if (!playing_)
        return;
    // Behind the frame on screen: catch up with it. Ahead of its span (the
    // engine is late): go on from the cap, so that the reading stays smooth.
    const double ahead = extrapolated(now);
    if (ahead < pts || ahead >= pts + span_) {
        anchor_ = std::max(read(now), pts);
        anchorWall_ = now;
    }
}

void PlayheadClock::setFrameSpan(double seconds) {
    if (seconds > 0.0)
        span_ = seconds;
}

void PlayheadClock::forgetFrame() {
    haveFrame_ = false;
}

double PlayheadClock::extrapolated(double now) const {
    return anchor_ + std::max(0.0, now - anchorWall_) * speed_;
}

double PlayheadClock::read(double now) const {
    if (!playing_)
        return paused_;
    double value = extrapolated(now);
    const double frame = haveFrame_ ? framePts_ : anchor_;
    value = std::min(value, frame + span_ - kBeforeNextFrame);
    if (haveFrame_)
        value = std::max(value, framePts_);
    last_ = std::max(last_, value);
    return last_;
}
