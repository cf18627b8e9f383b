#include "platform/mpv_player.h"
#include "platform/mpv_player_state.h"
#include "platform/mpv_requests.h"

#include <algorithm>

using mpv_player::kGridMiss;
using mpv_player::kSameFrame;

namespace {

// Filling the keep starts once a step back's frame is on screen (looked for
// every kFillRetryMs, kFillRetries times), with a stretch of kFillFirst
// frames, each further stretch twice the last; a command that shows no
// frame for kFillWaitMs ends it.
constexpr int kFillRetryMs = 10;
constexpr int kFillRetries = 50;
constexpr std::size_t kFillFirst = 4;
// After a step forward onto a frame not kept, this many frames after it.
constexpr double kFillAhead = 15.0;

} // namespace

// The frame on screen, frame k of the grid, is a step's landing with the
// frame beyond it (before it for a step back, after it for one forward) not
// kept: the engine decodes the frames there into the keep (startFill()) once
// the picture shows it. Nothing while anything else is under way.
void MpvPlayer::scheduleFill(bool ahead) {
    State& d = *d_;
    if (!isSettled() || !d.picture.holdPicture || !d.picture.hasKept || !d.grid() || d.rate > 0.0f)
        return;
    const FrameGrid g = *d.grid();
    const double at = State::frameTime(g, State::frameIndex(g, currentTime()));
    const std::optional<double> beyond = d.stepFrom(at, ahead);
    if (!beyond || std::abs(*beyond - at) < kSameFrame || d.picture.hasKept(*beyond))
        return;
    d.fill.ahead = ahead;
    d.fill.scheduled = true;
    ++d.fill.generation;
    startFill(kFillRetries);
}

void MpvPlayer::startFill(int tries) {
    State& d = *d_;
    const std::uint64_t generation = d.fill.generation;
    d.fill.scheduled = false;
    const std::optional<FrameGrid> g = d.grid();
    if (!g || d.rate > 0.0f || !isSettled() || d.status != ItemStatus::ReadyToPlay)
        return;
    // The picture holds the frame on screen while the engine decodes others,
    // once that frame is the engine's.
    if (!d.picture.holdPicture()) {
        d.fill.scheduled = tries > 0;
        if (!d.fill.scheduled) {
            emit settled();
            return;
        }
        QTimer::singleShot(kFillRetryMs, this, [this, generation, tries] {
            if (d_->fill.generation == generation && d_->fill.scheduled)
                startFill(tries - 1);
        });
        return;
    }
    auto& f = d.fill;
    const bool ahead = f.ahead;
    f = State::Fill{};
    f.generation = generation + 1;
    f.active = true;
    f.ahead = ahead;
    const double k = State::frameIndex(*g, currentTime());
    if (ahead) {
        // One stretch after the frame on screen, by frame-steps from it, to
        // the video's last frame at most.
        double last = k + kFillAhead;
        if (d.duration > 0.0)
            last = std::min(last, std::floor((d.duration - 0.5 / g->fps - g->firstPts) * g->fps));
        last = std::min(last, k + double(d.keepRoom()) - 2.0);
        f.low = f.next = State::frameTime(*g, k + 1.0);
        f.end = State::frameTime(*g, last);
        if (last < k + 1.0)
            endFill();
        else
            fillCommand(false);
        return;
    }
    // The first stretch ends with the frame on screen, so that a step
    // forward back onto it is kept too.
    f.low = State::frameTime(*g, k + 1.0);
    if (!fillStretch())
        endFill();
}

// Starts the stretch before the last: false when the keep has no room left
// for it (the fill would push out its own nearest frames) or the video's
// first frame was reached.
bool MpvPlayer::fillStretch() {
    State& d = *d_;
    auto& f = d.fill;
    const std::optional<FrameGrid> g = d.grid();
    const std::size_t room = d.keepRoom();
    if (!g || f.kept + 2 + kFillFirst > room)
        return false;
    f.size = std::min(f.size ? f.size * 2 : kFillFirst, room - 2 - f.kept);
    const double kEnd = State::frameIndex(*g, f.low) - 1.0;
    if (kEnd < 0.0)
        return false;
    const double kLow = std::max(0.0, kEnd - double(f.size) + 1.0);
    f.low = State::frameTime(*g, kLow);
    f.end = State::frameTime(*g, kEnd);
    f.next = f.low;
    fillCommand(true);
    return true;
}

void MpvPlayer::fillCommand(bool seek) {
    State& d = *d_;
    auto& f = d.fill;
    f.bySeek = seek;
    f.seekAnswered = f.seekStarted = f.restarted = false;
    f.copied = false;
    f.copy = 0;
    f.named = false;
    f.landed.reset();
    if (seek) {
        const QByteArray where = secondsArgument(engineSeekTarget(f.low, d.grid()));
        sendCommand(d.handle(), {"seek", where.constData(), "absolute+exact"},
                    tag(kFillRequest, f.generation));
    } else {
        sendCommand(d.handle(), {"frame-step"}, tag(kFillRequest, f.generation));
    }
    d.fillWatch.start();
}

// The command's new frame and the engine's time for it: named in the keep
// when it is the frame meant, and the next command goes.
void MpvPlayer::fillProgress() {
    State& d = *d_;
    auto& f = d.fill;
    const std::optional<FrameGrid> g = d.grid();
    if (!f.copied || !f.landed)
        return;
    if (!g || std::abs(*f.landed - f.next) > kGridMiss) {
        endFill();
        return;
    }
    f.named = true;
    d.picture.keepFrame(f.copy, f.next, g->fps);
    ++f.kept;
    if (f.wanted && std::abs(*f.wanted - f.next) < kSameFrame) {
        d.showKept(f.next);
        f.wanted.reset();
    }
    if (f.next < f.end - 0.5 / g->fps) {
        f.next = State::frameTime(*g, State::frameIndex(*g, f.next) + 1.0);
        fillCommand(false);
    } else if (f.ahead || !fillStretch()) {
        endFill();
    }
}

// A new frame the picture drew (copied as frame) while filling.
void MpvPlayer::fillCopy(std::uint64_t frame) {
    auto& f = d_->fill;
    // The first new frame after the command, after its seek landed: the
    // engine hands out one more before a seek's landing.
    if (f.bySeek && !f.restarted)
        return;
    if (f.copied) {
        // A second new frame before the first was named: which is which is
        // not sure.
        if (!f.named)
            endFill();
        return;
    }
    if (!frame) {
        endFill(); // not copied: the picture is not on screen
        return;
    }
    f.copied = true;
    f.copy = frame;
    if (!f.bySeek)
        getPropertyAsync(d_->handle(), "time-pos", MPV_FORMAT_DOUBLE,
                         tag(kFillLanding, f.generation));
    fillProgress();
}

// The engine goes back to the frame the clock reads (on screen, or stepped
// to and not yet decoded).
void MpvPlayer::endFill() {
    State& d = *d_;
    if (!d.fill.active)
        return;
    const double at = currentTime();
    d.clearSteps();
    seekToTime(at);
}

// A step while the keep fills: onto a kept frame at once, onto one of the
// stretch under way once decoded; anywhere else the fill gives way to an
// exact seek there.
bool MpvPlayer::stepDuringFill(bool forward) {
    State& d = *d_;
    const std::optional<FrameGrid> g = d.grid();
    if (!g)
        return false;
    const double from = State::frameTime(*g, State::frameIndex(*g, currentTime()));
    const std::optional<double> to = d.stepFrom(from, forward);
    if (!to || std::abs(*to - from) < kSameFrame)
        return true;
    auto& f = d.fill;
    const double half = 0.5 / g->fps;
    if (d.showKept(*to)) {
        f.wanted.reset();
    } else if (*to > f.next - half && *to < f.end + half) {
        f.wanted = *to;
        d.clock.pauseAt(*to);
    } else {
        stepBySeek(*to, forward);
    }
    return true;
}
