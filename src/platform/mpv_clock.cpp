#include "platform/mpv_clock.h"

#include <algorithm>
#include <chrono>

namespace {
// The reading stays this far before the next frame's time.
constexpr double kBeforeNextFrame = 1e-6;
// Frames up to this long are a moving picture; longer ones a still.
constexpr double kLongestVideoFrame = 0.1;
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
    lead_ = 0.0;
    const double lead = from - framePts_;
    if (!haveFrame_ || lead < 0.0 || lead >= span_)
        return;
    if (span_ <= kLongestVideoFrame)
        anchor_ = framePts_; // the reading holds at from until the engine gets there
    else
        lead_ = lead;
}

void PlayheadClock::setSpeed(double speed, double now) {
    if (!playing_) {
        speed_ = speed;
        return;
    }
    anchor_ = read(now);
    anchorWall_ = now;
    speed_ = speed;
}

void PlayheadClock::pause(double now) {
    pauseAt(read(now));
}

void PlayheadClock::frameShown(double pts, double now) {
    if (!playing_) {
        haveFrame_ = true;
        framePts_ = pts;
        return;
    }
    const double value = read(now);
    const bool first = !haveFrame_;
    haveFrame_ = true;
    framePts_ = pts;
    anchorWall_ = now;
    if (first) {
        // The first frame of a run that started without one (a seek while
        // playing): as when playing on from between two frames.
        const double lead = value - pts;
        lead_ = lead >= 0.0 && lead < span_ && span_ > kLongestVideoFrame ? lead : 0.0;
        anchor_ = pts + lead_;
        return;
    }
    anchor_ = std::max(value, pts + lead_);
}

void PlayheadClock::setFrameSpan(double seconds) {
    if (seconds > 0.0)
        span_ = seconds;
}

void PlayheadClock::forgetFrame() {
    haveFrame_ = false;
    lead_ = 0.0;
}

double PlayheadClock::extrapolated(double now) const {
    return anchor_ + std::max(0.0, now - anchorWall_) * speed_;
}

double PlayheadClock::read(double now) const {
    if (!playing_)
        return paused_;
    const double frame = haveFrame_ ? framePts_ + lead_ : anchor_;
    double value = std::min(extrapolated(now), frame + span_ - kBeforeNextFrame);
    value = std::max(value, frame);
    if (end_ > 0.0)
        value = std::min(value, end_);
    last_ = std::max(last_, value);
    return last_;
}

void UnshownFrames::reported(double pts, double at) {
    reports_.push_back({pts, at});
    if (reports_.size() > kMaxReports)
        reports_.pop_front();
}

std::optional<double> UnshownFrames::presented(double due, double slack, double speed,
                                               bool* matched) {
    if (const std::optional<double> pts = match(due, slack, speed, matched)) {
        misses_ = 0;
        return pts;
    }
    // Pictures keep coming and none fits the last match: the engine has moved
    // its schedule (after a stall), and the chain of matches would never fit
    // again. Start it anew from this picture, as after a pause.
    if (matched_ && ++misses_ >= kMissesBeforeResync) {
        matched_.reset();
        misses_ = 0;
        return match(due, slack, speed, matched);
    }
    return std::nullopt;
}

std::optional<double> UnshownFrames::match(double due, double slack, double speed, bool* matched) {
    const bool byDue = matched_ && due > 0.0;
    if (matched)
        *matched = false;
    // How far after the last matched picture's a report's frame would be due.
    const auto offset = [&](const Report& r) { return (r.pts - matched_->pts) / speed; };
    const double sinceMatched = matched_ && due > 0.0 ? due - matched_->at : 0.0;
    while (!reports_.empty()) {
        const Report& r = reports_.front();
        const bool passed = matched_ && due > 0.0 ? offset(r) < sinceMatched - slack
                                                  : due > 0.0 && r.at < due - slack;
        if (!passed && (!matched_ || r.pts > matched_->pts))
            break;
        reports_.pop_front();
    }
    if (reports_.empty())
        return std::nullopt;
    const Report r = reports_.front();
    if (matched_ && due > 0.0 && offset(r) > sinceMatched + slack)
        return std::nullopt; // a later frame's: its picture comes next
    reports_.pop_front();
    if (matched)
        *matched = byDue;
    if (due > 0.0)
        matched_ = Report{r.pts, due};
    else
        matched_.reset();
    return r.pts;
}

std::optional<double> UnshownFrames::latest() const {
    std::optional<double> last;
    for (const Report& r : reports_)
        last = std::max(last.value_or(r.pts), r.pts);
    return last;
}

void UnshownFrames::clear() {
    reports_.clear();
    matched_.reset();
    misses_ = 0;
}
