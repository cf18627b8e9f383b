#pragma once

#include <cstddef>
#include <deque>
#include <optional>

#include "platform/event_time.h"

// The playhead clock of the libmpv player. The engine reports a new position
// only when it shows a frame (every 4 s on the stopwatch placeholder), so
// while playing this clock runs on by monotonic time times the speed from
// its last anchor, kept within the span of the frame on screen.
//
// Playback may resume from a time between two frames (after an exact seek
// the engine shows the earlier frame while the clock reads the requested
// time), and the engine then runs its frames from the earlier frame's time:
//  - short frames (a video): the clock holds the requested time until the
//    engine's timeline reaches it, then reads the engine's time; it is never
//    ahead of the frame on screen by a frame or more;
//  - long frames (a still picture, the placeholder): the clock runs on at
//    once and keeps its lead over the engine's frames, so that a stopwatch
//    never stands still.
//
// While paused it reads one fixed value: the requested time after a seek,
// the reached time after a pause.
//
// Pure value logic: the caller passes the monotonic time (seconds) of every
// event. Not thread-safe; the player uses it on the user-interface thread.
class PlayheadClock {
public:
    // Stops at value (seconds): what read() returns until play() is called.
    void pauseAt(double value);
    // Runs on from the current reading at speed (> 0).
    void play(double speed, double now);
    // A new speed from now on, continuing from the reading.
    void setSpeed(double speed, double now);
    // Stops where the clock stands now.
    void pause(double now);

    // The engine showed the frame of time pts at monotonic time now.
    void frameShown(double pts, double now);
    // How long a frame stays on screen: the frame's duration, or the step
    // between shown frames when the engine drops frames at high speed.
    void setFrameSpan(double seconds);
    // Forget the frame on screen (a seek is under way).
    void forgetFrame();
    // The end of the item: a running clock stops there. 0: unknown.
    void setEnd(double seconds) { end_ = seconds; }

    double read(double now) const;
    // The time of the frame on screen, if one is.
    std::optional<double> frame() const {
        return haveFrame_ ? std::optional<double>(framePts_) : std::nullopt;
    }
    bool playing() const { return playing_; }
    double speed() const { return speed_; }
    double frameSpan() const { return span_; }

private:
    double extrapolated(double now) const;

    bool playing_ = false;
    double paused_ = 0.0; // the reading while paused
    double speed_ = 1.0;
    double anchor_ = 0.0; // media time at anchorWall_
    double anchorWall_ = 0.0;
    bool haveFrame_ = false;
    double framePts_ = 0.0; // time of the frame on screen
    double lead_ = 0.0;     // how far the reading runs ahead of the frames
    double span_ = 0.25;
    double end_ = 0.0;
    mutable double last_ = 0.0; // highest reading of this run (monotonic)
};

// The frames the engine reported while playing whose picture has not reached
// the screen yet. The engine reports a frame when it hands it to the video
// output, a little before the widget draws it (later still when the
// interface thread is busy), so the clock anchors to a frame only when the
// widget says a new picture is on screen.
//
// Which report is the picture's: the engine means each frame for a moment
// (its due time) and reports it about then; due times and frame times
// advance together at the playing speed. Reports read well before the
// picture's due time, or whose frame time is too early for it, are of frames
// that were dropped or shown already; a report whose frame time is too late
// for it waits for a later picture. When that cannot be told (no picture
// matched yet), the oldest report is taken, which errs toward a frame behind
// the picture rather than ahead of it.
// Three pictures in a row that fit no report after a match mean the engine
// moved its schedule: matching starts anew, as after a pause.
//
// Pure value logic; user-interface thread only.
class UnshownFrames {
public:
    // The engine handed out the frame of time pts; the report was read at
    // monotonic time at.
    void reported(double pts, double at);
    // A new picture reached the screen; the engine meant it for monotonic
    // time due (0: unknown). slack: half the wall time between two frames.
    // The frame to anchor to, if any; matched (if given) says whether it was
    // told by its due time after an earlier match, not taken as the oldest.
    std::optional<double> presented(double due, double slack, double speed,
                                    bool* matched = nullptr);
    // Forget everything (pause, seek, speed change, new item).
    void clear();
    // The latest frame reported and not yet on screen, if any.
    std::optional<double> latest() const;

private:
    struct Report {
        double pts;
        double at;
    };
    static constexpr std::size_t kMaxReports = 8;
    static constexpr int kMissesBeforeResync = 3;
    std::optional<double> match(double due, double slack, double speed, bool* matched);

    std::deque<Report> reports_;    // oldest first
    std::optional<Report> matched_; // the last picture's frame and due time
    int misses_ = 0;                // pictures in a row that matched no report
};
