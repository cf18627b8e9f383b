#pragma once

// The libmpv player's state, shared by its parts (mpv_player.cpp, the
// keep's filling in mpv_player_fill.cpp). Thread rules: the player's.

#include "platform/frame_clock.h"
#include "platform/mpv_core.h"
#include "platform/mpv_event_pump.h"
#include "platform/mpv_frame_seek.h"
#include "platform/mpv_player.h"
#include "platform/mpv_requests.h"
#include "platform/mpv_video_widget.h"

#include <QTimer>

#include <cmath>
#include <deque>
#include <optional>

namespace mpv_player {

// Two frame times closer than this are the same time.
constexpr double kSameFrame = 1e-6;
// A step landing this far from the grid's frame: the grid is not to be trusted.
constexpr double kGridMiss = 0.002;

} // namespace mpv_player

struct MpvPlayer::State {
    std::shared_ptr<MpvCore> core;
    VideoOutput output = VideoOutput::Automatic;
    bool widgetCreated = false;
    std::unique_ptr<MpvEventPump> events;

    // The item.
    bool hasItem = false;
    ItemStatus status = ItemStatus::Unknown;
    std::uint64_t loadGeneration = 0;
    // Playlist entry of the engine that holds the item: -1 until the load is
    // answered, 0 when the answer named none (then the next one started).
    std::int64_t expectedEntry = -1;
    std::int64_t startedEntry = -1;
    bool fileLoaded = false;
    QSizeF size;
    double duration = 0.0;
    double firstPts = 0.0;
    // The frame grid is trusted until a second landing off it (a variable
    // frame rate): a single one may be the engine standing a frame off the
    // picture after a stop, which the clock's taking of the landing mends.
    bool gridTrusted = true;
    int gridMisses = 0;
    void gridMissed() { gridTrusted = ++gridMisses < 2; }

    // Rate and clock.
    float rate = 0.0f;
    std::uint64_t rateGeneration = 0;
    int pendingPauseRequests = 0;
    FrameClock clock;
    // While a picture draws the frames, the clock follows what it shows; it
    // keeps the frames it showed for steps back.
    MpvPicture picture;
    bool followFrames = false; // after a frame step: the clock takes the shown frame
    // Paused from playing with no seek since: a frame the engine hands out
    // after the pause request, later than the reading, is taken back.
    bool pausedFromPlay = false;
    int engineSeeks = 0;
    QTimer pausePoll;

    // The seek under way.
    std::uint64_t seekGeneration = 0;
    bool seeking = false;
    bool seekAnswered = false;
    // The engine started a seek after answering ours (seek or step back):
    // the next restart is that seek's landing, not one of a seek it replaced.
    bool answeredSeekStarted = false;
    double seekTarget = 0.0;
    std::optional<double> gridEstimate; // the frame time the engine was sent to
    int corrections = 0;
    std::optional<double> pendingSeek; // asked for before the item was ready

    // Frame steps: the engine steps back by a seek, and a second step back
    // issued before that seek lands is lost, so steps wait for it.
    std::deque<bool> queuedSteps; // true: forward
    bool backStepping = false;
    bool backStepAnswered = false;
    bool forwardStepping = false; // until the engine shows the next frame
    // The time of the frame the steps asked for so far land on, while they
    // are under way: what the clock reads meanwhile, so that a key pressed
    // before they land has the frame the observer stepped to. Unknown
    // without a frame grid (the clock then follows each landing).
    std::optional<double> stepTarget;
    double forwardFrom = 0.0;    // the frame a step forward under way left
    std::uint64_t backSteps = 0; // generation of the step back under way
    std::uint64_t forwardSteps = 0;

    // Filling the picture's keep with the frames before the one a step back
    // landed on: stretches [low, end] on the grid, the nearest first, each
    // decoded by an exact seek to its first frame and frame-steps on. Each
    // command shows one new frame, named for the frame it was meant to show
    // once the engine says it is there; anything else ends the fill.
    struct Fill {
        bool scheduled = false;
        bool active = false;
        bool ahead = false; // the frames after the one on screen, not before
        std::uint64_t generation = 0;
        double low = 0.0, end = 0.0;
        double next = 0.0;   // the frame the command under way shows
        bool bySeek = false; // that command is the stretch's seek
        bool seekAnswered = false, seekStarted = false, restarted = false;
        bool copied = false;    // the command's new frame was drawn
        bool named = false;     // and named in the keep
        std::uint64_t copy = 0; // its copy in the keep
        std::optional<double> landed;
        std::size_t kept = 0, size = 0; // frames kept by this fill, the stretch's size
        // A step onto a frame of the stretch not yet decoded: shown once it is.
        std::optional<double> wanted;
    } fill;
    int fillSeeks = 0;
    QTimer fillWatch;
    // The picture shows a kept frame the engine has not gone to yet.
    bool catchUp = false;
    bool seekForStep = false;   // the seek under way is a step's
    bool seekStepAhead = false; // a step forward's
    QTimer catchUpTimer;

    mpv_handle* handle() const { return core ? core->handle() : nullptr; }

    bool currentEntry() const { return expectedEntry >= 0 && startedEntry == expectedEntry; }

    std::optional<FrameGrid> grid() const {
        if (!gridTrusted || !(clock.fps() > 0.0) || clock.fps() > 1000.0)
            return std::nullopt;
        return FrameGrid{firstPts, clock.fps()};
    }

    // The time of frame k of the grid g.
    static double frameTime(const FrameGrid& g, double k) { return g.firstPts + k / g.fps; }
    static double frameIndex(const FrameGrid& g, double t) {
        return std::round((t - g.firstPts) * g.fps);
    }

    // Notes the clock in its history when a player call or event ends, for
    // keys handled after they went down.
    struct NoteOnExit {
        State& d;
        ~NoteOnExit() { d.clock.note(monotonicSeconds()); }
    };

    void setPauseFlag(bool paused) {
        if (!handle())
            return;
        ++pendingPauseRequests;
        setFlagAsync(handle(), "pause", paused, tag(kPauseRequest, 0));
    }

    bool pictureDrawsFrames() const { return picture.rendering && picture.rendering(); }

    // The engine's frames show again in the picture: now, or from the next
    // one it draws.
    void releaseKept(bool now) const {
        if (picture.releaseKept)
            picture.releaseKept(now);
    }

    bool stepsUnderWay() const { return backStepping || forwardStepping || !queuedSteps.empty(); }

    // The time of the frame one step from the one at from, when the grid
    // says; from itself at either end.
    std::optional<double> stepFrom(double from, bool forward) const {
        const std::optional<FrameGrid> g = grid();
        if (!g)
            return std::nullopt;
        const double k = std::round((from - g->firstPts) * g->fps) + (forward ? 1.0 : -1.0);
        const double to = g->firstPts + k / g->fps;
        if (k < 0.0 || (duration > 0.0 && to > duration - 0.5 / g->fps))
            return from;
        return to;
    }

    // The steps have landed on the frame of time pts: the clock reads it. A
    // landing away from the grid's frame says the frame rate is not constant.
    void stepsLanded(double pts) {
        if (stepTarget && std::abs(pts - *stepTarget) > mpv_player::kGridMiss)
            gridMissed();
        stepTarget.reset();
        clock.pauseAt(pts);
    }

    // How many frames the picture's keep holds at most (0: it keeps none).
    std::size_t keepRoom() const { return picture.keepCapacity ? picture.keepCapacity() : 0; }

    // The picture shows the kept frame of time pts and the clock reads it;
    // false when it is not kept.
    bool showKept(double pts) {
        if (!picture.showKept || !picture.showKept(pts))
            return false;
        clock.pauseAt(pts);
        clock.frameShown(pts, monotonicSeconds());
        return true;
    }

    void clearSteps() {
        fill.scheduled = false;
        fill.active = false;
        fill.wanted.reset();
        ++fill.generation;
        fillWatch.stop();
        catchUp = false;
        catchUpTimer.stop();
        ++backSteps;
        stepTarget.reset();
        queuedSteps.clear();
        backStepping = false;
        forwardStepping = false;
    }
};
