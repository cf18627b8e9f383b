#pragma once

#include "platform/clock_history.h"
#include "platform/mpv_clock.h"

// What the libmpv player knows of its playhead: a PlayheadClock anchored to
// the frames on screen, the engine's reports of frames not drawn yet, how
// long a frame stays on screen, and the clock's recent history. The player
// decides when it plays, pauses or seeks; this says what the clock reads.
//
// While a picture draws the frames, a reported frame counts only once the
// picture shows it (presented()); otherwise at its report. While playing,
// the span of a frame widens when the engine drops frames at high speed.
//
// Pure value logic: the caller passes the monotonic time (seconds) of every
// event. Not thread-safe; the player uses it on the user-interface thread.
class FrameClock {
public:
    FrameClock();

    // A new item: no end, no frame rate, stopped at 0, no history.
    void newItem();
    // The container's frame rate; 0: unknown (a frame then lasts 0.25 s).
    void setFps(double fps);
    double fps() const { return fps_; }
    double frameDuration() const { return fps_ > 0.0 ? 1.0 / fps_ : 0.25; }
    void setEnd(double seconds) { clock_.setEnd(seconds); }

    // Starts from the current reading at speed (> 0).
    void play(double speed, double now);
    // A new speed while playing.
    void setSpeed(double speed, double now);
    // Stops where the clock stands now.
    void pause(double now);
    // Stops at value, keeping the frame on screen (a frame step's frame).
    void pauseAt(double value) { clock_.pauseAt(value); }
    // A seek: stops at target, with no frame on screen until one lands.
    void jumpTo(double target);

    // The engine showed the frame pts (while stopped, or a seek's landing).
    void frameShown(double pts, double now) { clock_.frameShown(pts, now); }
    // The engine reported the frame pts while playing; drawn: a picture
    // draws the frames.
    void playingFrame(double pts, double now, bool drawn);
    // The picture put a new frame on screen at at, meant for due (0:
    // unknown), while playing at speed. The frame's time when it was told
    // for sure (by its due time, after an earlier picture's).
    std::optional<double> presented(double due, double at, double speed);

    double read(double now) const { return clock_.read(now); }
    // The frame on screen, if any.
    std::optional<double> frame() const { return clock_.frame(); }
    // The latest frame on screen or handed to the picture for it, if any.
    std::optional<double> latestFrame() const;
    double frameSpan() const { return clock_.frameSpan(); }

    // Starts a history segment from the reading at now; called after
    // anything that may have moved or re-anchored the clock.
    void note(double now);
    double readingAt(double moment, double now) const { return history_.readingAt(moment, now); }
    bool runningAt(double moment) const { return history_.runningAt(moment); }

private:
    void anchor(double pts, double at);

    PlayheadClock clock_;
    ClockHistory history_;
    UnshownFrames unshown_;
    double fps_ = 0.0;
    double lastPts_ = -1.0; // the last frame anchored to while playing
    double lastStep_ = 0.0;
};
