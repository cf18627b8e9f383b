#pragma once

// The playhead clock of the libmpv player. The engine reports a new position
// only when a frame is shown (once a second on a 1 fps file), so while playing
// this clock runs on from its last anchor by monotonic time times the speed,
// kept within the span of the frame on screen: never before that frame's
// time, never at or past the next frame's. While paused it reads one fixed
// value: the requested time after a seek, the reached time after a pause.
//
// Pure value logic: the caller passes the monotonic time (seconds) of every
// event. Not thread-safe; the player uses it on the user-interface thread.
class PlayheadClock {
public:
    // Stops at value (seconds): what read() returns until play() is called.
    void pauseAt(double value);
    // Runs on from the current reading at speed (> 0).
    void play(double speed, double now);
    // While playing: a new speed from now on, continuing from the reading.
    void setSpeed(double speed, double now);
    // Stops where the clock stands now.
    void pause(double now);

    // The engine showed the frame of time pts at monotonic time now.
    void frameShown(double pts, double now);
    // The time after which the next frame is expected (a frame's duration,
    // or the observed step between shown frames when frames are dropped).
    void setFrameSpan(double seconds);
    // Forget the frame on screen (a seek is under way).
    void forgetFrame();

    double read(double now) const;
    bool playing() const { return playing_; }
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
    double span_ = 0.25;
    mutable double last_ = 0.0; // highest reading since play() (monotonic)
};
