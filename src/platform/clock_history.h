#pragma once

#include <deque>

// The playhead clock's recent past, so that a key can be stamped with the
// reading at the moment it went down rather than when it was handled.
//
// The clock is a chain of segments: from monotonic time `from` it read
// `value` and ran on at `speed` (0 while stopped). A segment ends where the
// next begins; one that a pause ended (the next reading is not below its
// own) never reads past the pause's value. A running segment is the
// continuous clock: a stretch in which the interface drew no frame (it was
// busy) reads as the clock ran, not as the held picture. Segments
// older than the kept span are forgotten, the newest always stays.
//
// Pure value logic; not thread-safe.
class ClockHistory {
public:
    // The clock read value at monotonic time from and runs at speed.
    void segment(double from, double value, double speed);
    // Forgets everything (a new item).
    void clear() { segments_.clear(); }

    // The reading at monotonic time t; before the first segment its value,
    // without any segment `now` (the live reading).
    double readingAt(double t, double now) const;
    // Whether the clock was running at monotonic time t.
    bool runningAt(double t) const;

    static constexpr double kKeptSeconds = 10.0;

private:
    struct Segment {
        double from;
        double value;
        double speed;
    };
    // The segment in force at t, or end() before the first.
    std::deque<Segment>::const_iterator find(double t) const;
    std::deque<Segment> segments_; // oldest first
};
