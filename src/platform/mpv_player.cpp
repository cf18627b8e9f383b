#include "platform/mpv_player.h"
#include "platform/mpv_player_state.h"

#include "platform/frame_clock.h"
#include "platform/mpv_core.h"
#include "platform/mpv_event_pump.h"
#include "platform/mpv_frame_grab.h"
#include "platform/mpv_frame_seek.h"
#include "platform/mpv_requests.h"
#include "platform/mpv_video_widget.h"

#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <deque>
#include <functional>
#include <optional>

using mpv_player::kGridMiss;
using mpv_player::kSameFrame;

namespace {

// Corrections (frame back, plain seek) after one seek before its landing is
// taken as it is.
constexpr int kMaxCorrections = 3;
// While playing, the engine's own pause (at the end) is also polled this often.
constexpr int kPausePollMs = 200;
// A step forward that shows no new frame (at the last one) is done after this.
constexpr int kForwardStepMs = 500;
// After a step onto a kept frame the engine goes there once no step followed
// for this long: at a coder's pace it does not decode each frame again.
constexpr int kCatchUpMs = 400;
// A command filling the keep that shows no frame for this long ends the fill.
constexpr int kFillWaitMs = 2000;

} // namespace

MpvPlayer::MpvPlayer(VideoOutput output, QObject* parent)
    : Player(parent), d_(std::make_unique<State>()) {
    d_->output = output;
    d_->core = MpvCore::create(output == VideoOutput::None ? MpvCore::Audio::None
                                                           : MpvCore::Audio::Device);
    d_->pausePoll.setInterval(kPausePollMs);
    d_->fillWatch.setInterval(kFillWaitMs);
    d_->fillWatch.setSingleShot(true);
    connect(&d_->fillWatch, &QTimer::timeout, this, [this] { endFill(); });
    d_->catchUpTimer.setInterval(kCatchUpMs);
    d_->catchUpTimer.setSingleShot(true);
    connect(&d_->catchUpTimer, &QTimer::timeout, this, [this] {
        if (d_->catchUp)
            seekToTime(currentTime());
    });
    connect(&d_->pausePoll, &QTimer::timeout, this, [this] {
        getPropertyAsync(d_->handle(), "pause", MPV_FORMAT_FLAG,
                         tag(kPausePoll, d_->rateGeneration));
    });
    if (mpv_handle* h = d_->handle()) {
        observePlayerProperties(h);
        d_->events = std::make_unique<MpvEventPump>(
            h, this, [this](const mpv_event& event) { handleEvent(event); });
    }
}

MpvPlayer::~MpvPlayer() {
    if (mpv_handle* h = d_->handle()) {
        // The engine may outlive this object while the video widget still
        // holds it: no more wakeups for us, and nothing left playing.
        d_->events.reset();
        sendCommand(h, {"stop"}, 0);
    }
}

bool MpvPlayer::isValid() const {
    return d_->core != nullptr;
}

bool MpvPlayer::isSettled() const {
    const State& d = *d_;
    return d.status != ItemStatus::Unknown && !d.seeking && !d.pendingSeek && !d.backStepping &&
           !d.forwardStepping && d.queuedSteps.empty() && !d.fill.active && !d.fill.scheduled &&
           !d.catchUp;
}

double MpvPlayer::duration() const {
    return d_->duration;
}

float MpvPlayer::rate() const {
    return d_->rate;
}

void MpvPlayer::setRate(float rate) {
    const State::NoteOnExit noted{*d_};
    if (!(rate > 0.0f)) {
        pause();
        return;
    }
    State& d = *d_;
    if (!d.hasItem || d.status == ItemStatus::Failed || !d.handle())
        return;
    const float speed = std::clamp(rate, 0.01f, 100.0f);
    const double now = monotonicSeconds();
    // Playing while a step is under way starts from the frame it lands on.
    const bool ahead = d.fill.active || d.catchUp; // the engine is not on the frame shown
    const bool fromStep = (d.stepsUnderWay() && d.stepTarget) || ahead;
    const double steppedTo = ahead ? currentTime() : d.stepTarget.value_or(0.0);
    ++d.rateGeneration;
    d.followFrames = false;
    d.pausedFromPlay = false;
    // A seek correction would pause the engine again: take the landing as it is.
    d.seeking = false;
    d.clearSteps();
    d.releaseKept(false);
    setDoubleAsync(d.handle(), "speed", speed, tag(kOtherRequest, 0));
    if (d.rate > 0.0f) {
        d.clock.setSpeed(speed, now);
    } else {
        d.setPauseFlag(false);
        d.clock.play(speed, now);
        d.pausePoll.start();
    }
    d.rate = speed;
    if (fromStep)
        seekToTime(steppedTo);
}

void MpvPlayer::pause() {
    const State::NoteOnExit noted{*d_};
    State& d = *d_;
    ++d.rateGeneration;
    d.pausePoll.stop();
    if (d.rate > 0.0f) {
        d.clock.pause(monotonicSeconds());
        d.pausedFromPlay = true;
    }
    d.rate = 0.0f;
    d.followFrames = false;
    if (d.hasItem)
        d.setPauseFlag(true);
}

double MpvPlayer::currentTime() const {
    return d_->clock.read(monotonicSeconds());
}

double MpvPlayer::timeAt(double moment) const {
    return d_->clock.readingAt(moment, currentTime());
}

bool MpvPlayer::playingAt(double moment) const {
    return d_->clock.runningAt(moment);
}

void MpvPlayer::seekTo(std::int64_t milliseconds) {
    seekToTime(double(milliseconds) / 1000.0);
}

void MpvPlayer::stopAt(double seconds) {
    const State::NoteOnExit noted{*d_};
    State& d = *d_;
    // The frame on screen stays when it is the latest one the engine handed
    // out and the last frame at or before seconds (by the frame rate, not by
    // how long it stayed on screen while frames were dropped).
    const std::optional<double> latest = d.clock.latestFrame();
    const bool covered = d.status == ItemStatus::ReadyToPlay && !d.seeking && !d.pendingSeek &&
                         !d.stepsUnderWay() && latest && *latest <= seconds + kSameFrame &&
                         seconds < *latest + d.clock.frameDuration();
    pause();
    if (covered)
        d.clock.pauseAt(seconds);
    else if (std::abs(currentTime() - seconds) >= 0.0005)
        seekToTime(std::llround(seconds * 1000.0) / 1000.0);
}

void MpvPlayer::seekToTime(double seconds) {
    const State::NoteOnExit noted{*d_};
    State& d = *d_;
    if (!d.hasItem || d.status == ItemStatus::Failed)
        return;
    // Outside the video the playhead stays at its nearer end.
    double target = std::max(0.0, seconds);
    if (d.duration > 0.0)
        target = std::min(target, d.duration);
    const double now = monotonicSeconds();
    d.followFrames = false;
    d.pausedFromPlay = false;
    d.clearSteps();
    d.releaseKept(false);
    d.clock.jumpTo(target);
    if (d.rate > 0.0f)
        d.clock.play(d.rate, now);
    if (d.status != ItemStatus::ReadyToPlay) {
        d.pendingSeek = target;
        return;
    }
    d.pendingSeek.reset();
    d.seekTarget = target;
    d.seekForStep = false;
    d.corrections = 0;
    ++d.seekGeneration;
    d.seeking = true;
    d.seekAnswered = false;
    d.answeredSeekStarted = false;
    const std::optional<FrameGrid> grid = d.grid();
    d.gridEstimate = grid ? gridFrameAtOrBefore(target, *grid) : std::nullopt;
    const QByteArray where = secondsArgument(engineSeekTarget(target, grid));
    sendCommand(d.handle(), {"seek", where.constData(), "absolute+exact"},
                tag(kSeekRequest, d.seekGeneration));
}

void MpvPlayer::replaceCurrentItem(const QUrl& url) {
    const State::NoteOnExit noted{*d_};
    State& d = *d_;
    ++d.loadGeneration;
    ++d.seekGeneration;
    ++d.rateGeneration;
    d.hasItem = true;
    d.status = ItemStatus::Unknown;
    d.expectedEntry = -1;
    d.fileLoaded = false;
    d.size = QSizeF();
    d.duration = 0.0;
    d.firstPts = 0.0;
    d.gridTrusted = true;
    d.gridMisses = 0;
    d.clock.newItem();
    d.rate = 0.0f;
    d.pausePoll.stop();
    d.followFrames = false;
    d.pausedFromPlay = false;
    d.seeking = false;
    d.pendingSeek.reset();
    d.clearSteps();
    if (d.picture.forgetKept)
        d.picture.forgetKept();

    // Only a local file reaches the engine: nothing a user drops may make it
    // fetch from the network.
    const bool local = url.isLocalFile() && !url.toLocalFile().isEmpty();
    if (d.handle()) {
        d.setPauseFlag(true);
        if (local) {
            const QByteArray path = QFileInfo(url.toLocalFile()).absoluteFilePath().toUtf8();
            sendCommand(d.handle(), {"loadfile", path.constData(), "replace"},
                        tag(kLoadRequest, d.loadGeneration));
        } else {
            sendCommand(d.handle(), {"stop"}, tag(kOtherRequest, 0));
        }
    }
    emit statusChanged();
    if (!local || !d.handle()) {
        const std::uint64_t generation = d.loadGeneration;
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (d_->loadGeneration != generation)
                    return;
                d_->status = ItemStatus::Failed;
                emit statusChanged();
                emit settled();
            },
            Qt::QueuedConnection);
    }
}

bool MpvPlayer::hasCurrentItem() const {
    return d_->hasItem;
}

ItemStatus MpvPlayer::status() const {
    return d_->status;
}

QSizeF MpvPlayer::presentationSize() const {
    return d_->size;
}

void MpvPlayer::stepFrame(bool forward) {
    const State::NoteOnExit noted{*d_};
    State& d = *d_;
    // Sound alone has no frames to step through (the engine would not answer).
    if (d.status != ItemStatus::ReadyToPlay || d.rate > 0.0f || d.size.isEmpty())
        return;
    if (d.fill.scheduled) {
        d.fill.scheduled = false;
        ++d.fill.generation;
    }
    if (d.fill.active && stepDuringFill(forward))
        return;
    // The clock reads the frame this step lands on from now on.
    const std::optional<FrameGrid> grid = d.grid();
    const std::optional<double> from =
        d.stepTarget ? d.stepTarget
                     : (grid ? gridFrameAtOrBefore(currentTime(), *grid) : std::nullopt);
    if (const std::optional<double> to = from ? d.stepFrom(*from, forward) : std::nullopt) {
        if (std::abs(*to - *from) > kSameFrame && stepOntoKept(*to))
            return;
        // The engine stands elsewhere than the frame shown: it goes to the
        // step's frame directly.
        if (d.catchUp) {
            stepBySeek(*to, forward);
            return;
        }
        d.stepTarget = to;
        d.clock.pauseAt(*to);
    }
    d.queuedSteps.push_back(forward);
    runQueuedSteps();
}

bool MpvPlayer::stepOntoKept(double to) {
    State& d = *d_;
    if (!d.picture.hasKept || !d.picture.hasKept(to))
        return false;
    // The picture shows the kept frame now and the clock reads it; the
    // engine goes there by an exact seek once the steps pause (at once when
    // it is busy with a seek or step of its own, whose landing would show),
    // and its frames show again once it has landed.
    if (d.seeking || d.backStepping || d.forwardStepping || d.pendingSeek) {
        seekToTime(to);
    } else {
        d.clearSteps();
        d.followFrames = false;
        d.pausedFromPlay = false;
        d.clock.pauseAt(to);
        d.catchUp = true;
        d.catchUpTimer.start();
    }
    d.picture.showKept(to);
    d.clock.frameShown(to, monotonicSeconds());
    return true;
}

// A step whose frame the engine goes to by an exact seek, with the frames
// beyond it decoded into the keep once it has landed.
void MpvPlayer::stepBySeek(double to, bool forward) {
    State& d = *d_;
    d.clearSteps(); // ends a fill even where the seek cannot go
    seekToTime(to);
    d.seekForStep = true;
    d.seekStepAhead = forward;
}

void MpvPlayer::runQueuedSteps() {
    const State::NoteOnExit noted{*d_};
    State& d = *d_;
    while (!d.queuedSteps.empty() && !d.seeking && !d.backStepping) {
        const bool forward = d.queuedSteps.front();
        // A step waits until the step forward before it has shown its frame:
        // each landing is then known for the one it is.
        if (d.forwardStepping)
            return;
        d.followFrames = true;
        d.pausedFromPlay = false;
        d.releaseKept(false);
        // Steps waiting, one of them back (a held arrow key, steps while one
        // back was decoding), and the frame they land on known: one exact
        // seek there rather than a keyframe decode per step, and one that
        // lands there even when the engine stood a frame off the picture.
        const bool someBack =
            std::find(d.queuedSteps.begin(), d.queuedSteps.end(), false) != d.queuedSteps.end();
        if (d.stepTarget && someBack) {
            d.queuedSteps.clear();
            ++d.backSteps;
            d.backStepping = true;
            d.backStepAnswered = false;
            d.answeredSeekStarted = false;
            const QByteArray where = secondsArgument(engineSeekTarget(*d.stepTarget, d.grid()));
            sendCommand(d.handle(), {"seek", where.constData(), "absolute+exact"},
                        tag(kBackStepRequest, d.seekGeneration));
            return;
        }
        d.queuedSteps.pop_front();
        if (forward) {
            d.forwardStepping = true;
            d.forwardFrom = d.clock.frame().value_or(-1.0);
            const std::uint64_t step = ++d.forwardSteps;
            sendCommand(d.handle(), {"frame-step"}, tag(kOtherRequest, 0));
            QTimer::singleShot(kForwardStepMs, this, [this, step] {
                if (d_->forwardStepping && d_->forwardSteps == step) {
                    d_->forwardStepping = false;
                    runQueuedSteps();
                    stepsEnded();
                    if (isSettled())
                        emit settled();
                }
            });
        } else {
            ++d.backSteps;
            d.backStepping = true;
            d.backStepAnswered = false;
            d.answeredSeekStarted = false;
            sendCommand(d.handle(), {"frame-back-step"}, tag(kBackStepRequest, d.seekGeneration));
        }
    }
}

void MpvPlayer::stepsEnded() {
    State& d = *d_;
    // No landing was reported: the frame on screen is where the steps ended.
    if (d.stepTarget && !d.stepsUnderWay())
        d.stepsLanded(d.clock.frame().value_or(*d.stepTarget));
}

QWidget* MpvPlayer::createVideoWidget(QWidget* parent) {
    State& d = *d_;
    if (!d.core || d.widgetCreated || d.output == VideoOutput::None)
        return nullptr;
    d.widgetCreated = true;
    const bool gl = d.output == VideoOutput::OpenGL ||
                    (d.output == VideoOutput::Automatic && MpvVideoWidget::openGLAvailable());
    // The clock follows the frames the picture puts on screen.
    d.picture = createMpvPicture(
        d.core, gl, parent, this,
        [this](double due, double at, std::uint64_t frame) { pictureShown(due, at, frame); });
    return d.picture.widget;
}

void MpvPlayer::pictureShown(double due, double at, std::uint64_t frame) {
    const State::NoteOnExit noted{*d_};
    if (d_->fill.active && !(d_->rate > 0.0f)) {
        fillCopy(frame);
        return;
    }
    if (!(d_->rate > 0.0f))
        return;
    // The engine's report of this frame may still wait in the queue.
    if (d_->events)
        d_->events->drain();
    State& d = *d_;
    if (!(d.rate > 0.0f) || d.seeking)
        return;
    const std::optional<double> pts = d.clock.presented(due, at, d.rate);
    // Frames are kept by time only on a frame grid, where a step's frame is
    // known before it lands.
    if (pts && frame && d.grid() && d.picture.keepFrame)
        d.picture.keepFrame(frame, *pts, d.clock.fps());
}

QImage MpvPlayer::grabVideoFrame() const {
    return grabMpvFrame(d_->handle());
}

int MpvPlayer::engineSeeks() const {
    return d_->engineSeeks;
}

int MpvPlayer::fillSeeks() const {
    return d_->fillSeeks;
}

void MpvPlayer::handleEvent(const mpv_event& event) {
    const State::NoteOnExit noted{*d_};
    State& d = *d_;
    const std::uint64_t userdata = event.reply_userdata;
    const double now = monotonicSeconds();

    auto becomeReady = [&] {
        d.status = ItemStatus::ReadyToPlay;
        emit statusChanged();
        if (d.pendingSeek) {
            const double target = *d.pendingSeek;
            d.pendingSeek.reset();
            seekTo(std::int64_t(std::llround(target * 1000.0)));
        } else {
            emit settled();
        }
    };
    auto fail = [&] {
        d.releaseKept(true);
        d.status = ItemStatus::Failed;
        d.rate = 0.0f;
        d.pausePoll.stop();
        d.seeking = false;
        d.pendingSeek.reset();
        emit statusChanged();
        emit settled();
    };
    auto pausedItself = [&] {
        if (d.rate > 0.0f && d.pendingPauseRequests == 0) {
            d.rate = 0.0f;
            ++d.rateGeneration;
            d.pausePoll.stop();
            d.clock.pause(now);
        }
    };
    auto finishSeek = [&] {
        d.seeking = false;
        d.releaseKept(false);
        runQueuedSteps();
        // A step's seek past the kept frames: the frames before are decoded next.
        if (d.seekForStep)
            scheduleFill(d.seekStepAhead);
        d.seekForStep = false;
        if (isSettled())
            emit settled();
    };

    switch (event.event_id) {
    case MPV_EVENT_SEEK:
        if (d.fill.active) {
            ++d.fillSeeks;
            d.fill.seekStarted = d.fill.bySeek && d.fill.seekAnswered;
            break;
        }
        ++d.engineSeeks;
        if ((d.seeking && d.seekAnswered) || (d.backStepping && d.backStepAnswered))
            d.answeredSeekStarted = true;
        break;
    case MPV_EVENT_START_FILE:
        d.startedEntry = entryOf(event);
        if (d.expectedEntry == 0)
            d.expectedEntry = d.startedEntry;
        d.fileLoaded = false;
        break;
    case MPV_EVENT_FILE_LOADED:
        if (d.currentEntry())
            d.fileLoaded = true;
        break;
    case MPV_EVENT_END_FILE:
        if (d.expectedEntry >= 0 && entryOf(event) == d.expectedEntry && endedInFailure(event))
            fail();
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        if (!d.currentEntry())
            break;
        if (d.fill.active) {
            if (d.fill.bySeek && d.fill.seekStarted && !d.fill.restarted) {
                d.fill.restarted = true;
                getPropertyAsync(d.handle(), "time-pos", MPV_FORMAT_DOUBLE,
                                 tag(kFillLanding, d.fill.generation));
            }
            break;
        }
        if (d.fileLoaded && d.status == ItemStatus::Unknown) {
            // The first frame is ready: its time, then the picture's size.
            getPropertyAsync(d.handle(), "time-pos", MPV_FORMAT_DOUBLE,
                             tag(kFirstFrameTime, d.loadGeneration));
            getPropertyAsync(d.handle(), "dwidth", MPV_FORMAT_INT64,
                             tag(kFirstFrameWidth, d.loadGeneration));
            getPropertyAsync(d.handle(), "dheight", MPV_FORMAT_INT64,
                             tag(kFirstFrameHeight, d.loadGeneration));
        } else if (!d.answeredSeekStarted) {
            break;
        } else if (d.seeking && d.seekAnswered) {
            getPropertyAsync(d.handle(), "time-pos", MPV_FORMAT_DOUBLE,
                             tag(kLandingTime, d.seekGeneration));
        } else if (d.backStepping && d.backStepAnswered) {
            // The step ends with the time of the frame it landed on, which
            // may have been reported before the restart.
            getPropertyAsync(d.handle(), "time-pos", MPV_FORMAT_DOUBLE,
                             tag(kStepLandingTime, d.backSteps));
        }
        break;
    case MPV_EVENT_COMMAND_REPLY: {
        if (kindOf(userdata) == kLoadRequest && generationOf(userdata) == d.loadGeneration) {
            if (event.error < 0) {
                fail();
                break;
            }
            d.expectedEntry = resultInt64(event, "playlist_entry_id").value_or(0);
        } else if (kindOf(userdata) == kBackStepRequest && d.backStepping &&
                   generationOf(userdata) == d.seekGeneration) {
            d.backStepAnswered = true;
            if (event.error < 0) {
                d.backStepping = false;
                runQueuedSteps();
                stepsEnded();
            }
        } else if (kindOf(userdata) == kFillRequest && d.fill.active &&
                   generationOf(userdata) == d.fill.generation) {
            if (event.error < 0)
                endFill();
            else
                d.fill.seekAnswered = d.fill.bySeek;
        } else if (kindOf(userdata) == kSeekRequest && generationOf(userdata) == d.seekGeneration &&
                   d.seeking) {
            if (event.error < 0)
                finishSeek();
            else
                d.seekAnswered = true;
        }
        break;
    }
    case MPV_EVENT_SET_PROPERTY_REPLY:
        if (kindOf(userdata) == kPauseRequest && d.pendingPauseRequests > 0)
            --d.pendingPauseRequests;
        break;
    case MPV_EVENT_GET_PROPERTY_REPLY: {
        const std::uint64_t generation = generationOf(userdata);
        const std::optional<double> number = doubleValue(event);
        const std::optional<std::int64_t> integer = int64Value(event);
        switch (kindOf(userdata)) {
        case kFirstFrameTime:
            if (generation == d.loadGeneration && number)
                d.firstPts = *number;
            break;
        case kFirstFrameWidth:
            if (generation == d.loadGeneration && integer)
                d.size.setWidth(double(*integer));
            break;
        case kFirstFrameHeight:
            if (generation != d.loadGeneration || d.status != ItemStatus::Unknown)
                break;
            if (integer)
                d.size.setHeight(double(*integer));
            if (!(d.size.width() > 0.0 && d.size.height() > 0.0))
                d.size = QSizeF();
            becomeReady();
            break;
        case kLandingTime: {
            if (generation != d.seekGeneration || !d.seeking)
                break;
            if (!number) {
                finishSeek();
                break;
            }
            const double shown = *number;
            if (d.gridEstimate &&
                gridMissed(*d.gridEstimate, shown, d.seekTarget, d.clock.frameSpan(), d.duration))
                d.gridMissed();
            d.gridEstimate.reset();
            d.clock.frameShown(shown, now);
            const Landing next =
                judgeLanding(d.seekTarget, shown, d.firstPts, d.clock.frameSpan(), d.duration);
            if (next == Landing::Done || d.corrections >= kMaxCorrections) {
                finishSeek();
                break;
            }
            ++d.corrections;
            ++d.seekGeneration;
            d.seekAnswered = false;
            d.answeredSeekStarted = false;
            if (next == Landing::StepBack) {
                sendCommand(d.handle(), {"frame-back-step"}, tag(kSeekRequest, d.seekGeneration));
            } else {
                const QByteArray where = secondsArgument(d.seekTarget);
                sendCommand(d.handle(), {"seek", where.constData(), "absolute+exact"},
                            tag(kSeekRequest, d.seekGeneration));
            }
            break;
        }
        case kStepLandingTime:
            if (generation != d.backSteps || !d.backStepping)
                break;
            d.backStepping = false;
            if (number)
                d.clock.frameShown(*number, now);
            runQueuedSteps();
            if (number && d.followFrames && !d.stepsUnderWay())
                d.stepsLanded(*number);
            stepsEnded();
            scheduleFill(false);
            if (isSettled())
                emit settled();
            break;
        case kFillLanding:
            if (generation != d.fill.generation || !d.fill.active)
                break;
            if (!number) {
                endFill();
                break;
            }
            d.fill.landed = *number;
            fillProgress();
            break;
        case kPausePoll:
            if (generation == d.rateGeneration && flagValue(event).value_or(false))
                pausedItself();
            break;
        default:
            break;
        }
        break;
    }
    case MPV_EVENT_PROPERTY_CHANGE: {
        const std::optional<double> number = doubleValue(event);
        const std::optional<std::int64_t> integer = int64Value(event);
        switch (userdata) {
        case kTimePos: {
            // While a seek is under way the engine reports its target, not a
            // frame; while filling the keep, frames the picture does not show.
            if (!number || !d.currentEntry() || d.seeking || d.pendingSeek || d.fill.active)
                break;
            const double pts = *number;
            if (d.rate > 0.0f) {
                d.clock.playingFrame(pts, now, d.pictureDrawsFrames());
            } else {
                if (d.followFrames && d.grid()) {
                    // Steps on the grid: only the frame after the one a step
                    // forward left is its landing (a step back's comes after
                    // its restart); other reports may be from steps before.
                    if (!d.forwardStepping || pts <= d.forwardFrom + 0.5 / d.clock.fps())
                        break;
                    d.clock.frameShown(pts, now);
                    d.forwardStepping = false;
                    runQueuedSteps();
                    if (!d.stepsUnderWay())
                        d.stepsLanded(pts);
                    scheduleFill(true);
                    if (isSettled())
                        emit settled();
                    break;
                }
                const double reading = d.clock.read(now);
                d.clock.frameShown(pts, now);
                if (d.pausedFromPlay && pts > reading + kSameFrame) {
                    // The engine showed one more frame before it paused.
                    seekToTime(reading);
                    break;
                }
                const bool stepped = d.forwardStepping;
                if (d.forwardStepping) {
                    d.forwardStepping = false;
                    runQueuedSteps();
                }
                // Without a grid the clock follows each frame a step shows.
                if (d.followFrames)
                    d.stepsLanded(pts);
                if (stepped && isSettled())
                    emit settled();
            }
            break;
        }
        case kPauseFlag:
        case kEofReached:
            // Perhaps the engine paused itself at the end: ask it now, after
            // every request of ours, whether it is paused.
            if (flagValue(event).value_or(false) && d.rate > 0.0f)
                getPropertyAsync(d.handle(), "pause", MPV_FORMAT_FLAG,
                                 tag(kPausePoll, d.rateGeneration));
            break;
        case kDisplayWidth:
            if (integer && d.status == ItemStatus::ReadyToPlay)
                d.size.setWidth(double(*integer));
            break;
        case kDisplayHeight:
            if (integer && d.status == ItemStatus::ReadyToPlay)
                d.size.setHeight(double(*integer));
            break;
        case kContainerFps:
            d.clock.setFps(number.value_or(0.0));
            break;
        case kDuration:
            d.duration = number.value_or(0.0);
            d.clock.setEnd(d.duration);
            break;
        default:
            break;
        }
        break;
    }
    default:
        break;
    }
}

void installMpvPlayer() {
    std::setlocale(LC_NUMERIC, "C");
    setPlayerFactory([] { return std::make_unique<MpvPlayer>(); });
}
