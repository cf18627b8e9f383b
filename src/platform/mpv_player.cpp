#include "platform/mpv_player.h"

#include "platform/clock_history.h"
#include "platform/mpv_clock.h"
#include "platform/mpv_core.h"
#include "platform/mpv_frame_seek.h"
#include "platform/mpv_video_widget.h"

#include <mpv/client.h>

#include <QFileInfo>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <deque>
#include <functional>
#include <optional>
#include <type_traits>

namespace {

// Observed engine properties (reply ids of mpv_observe_property).
enum Observed : std::uint64_t {
    kTimePos = 1,
    kPauseFlag,
    kEofReached,
    kDisplayWidth,
    kDisplayHeight,
    kContainerFps,
    kDuration,
};

// What an asynchronous request was for; its generation sits above these bits.
enum Request : std::uint64_t {
    kPauseRequest = 1, // pause or unpause; counted until answered
    kOtherRequest,     // speed, stop: nothing to do with the answer
    kLoadRequest,      // loadfile, per load generation
    kFirstFrameTime,   // time-pos of the first frame, per load generation
    kFirstFrameWidth,  // dwidth, per load generation
    kFirstFrameHeight, // dheight, per load generation
    kSeekRequest,      // seek or frame-back-step, per seek generation
    kLandingTime,      // time-pos after a seek, per seek generation
    kPausePoll,        // pause while playing, per rate generation
    kBackStepRequest,  // frame-back-step of a frame step, per seek generation
};

constexpr std::uint64_t tag(Request kind, std::uint64_t generation) {
    return (generation << 8) | kind;
}
constexpr Request kindOf(std::uint64_t userdata) {
    return Request(userdata & 0xff);
}
constexpr std::uint64_t generationOf(std::uint64_t userdata) {
    return userdata >> 8;
}

// Corrections (frame back, plain seek) after one seek before its landing is
// taken as it is.
constexpr int kMaxCorrections = 3;
// A landing this far from the grid's estimate means the frame rate is not
// constant: later seeks go to the target itself and are corrected.
constexpr double kGridMismatch = 0.002;
// While playing, the engine's own pause (at the end) is also polled this often.
constexpr int kPausePollMs = 200;
// A step forward that shows no new frame (at the last one) is done after this.
constexpr int kForwardStepMs = 500;

QString formatSeconds(double seconds) {
    return QString::number(seconds, 'f', 6);
}

} // namespace

struct MpvPlayer::State {
    std::shared_ptr<MpvCore> core;
    VideoOutput output = VideoOutput::Automatic;
    bool widgetCreated = false;
    std::atomic<bool> drainQueued{false};
    bool draining = false;

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
    double fps = 0.0;
    double firstPts = 0.0;
    bool gridTrusted = true;

    // Rate and clock.
    float rate = 0.0f;
    std::uint64_t rateGeneration = 0;
    int pendingPauseRequests = 0;
    PlayheadClock clock;
    // The clock's last seconds, for keys handled after they went down.
    ClockHistory history;
    // While a picture draws the frames, the clock follows what it shows.
    UnshownFrames unshown;
    std::function<bool()> pictureRendering;
    double lastPlayingPts = -1.0;
    double lastPlayingStep = 0.0;
    bool followFrames = false; // after a frame step: the clock takes the shown frame
    QTimer pausePoll;

    // The seek under way.
    std::uint64_t seekGeneration = 0;
    bool seeking = false;
    bool seekAnswered = false;
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
    std::uint64_t forwardSteps = 0;

    mpv_handle* handle() const { return core ? core->handle() : nullptr; }

    bool currentEntry() const { return expectedEntry >= 0 && startedEntry == expectedEntry; }

    std::optional<FrameGrid> grid() const {
        if (!gridTrusted || !(fps > 0.0) || fps > 1000.0)
            return std::nullopt;
        return FrameGrid{firstPts, fps};
    }

    // Starts a history segment from the clock as it reads now; called after
    // anything that may have moved or re-anchored it.
    void noteClock() {
        const double now = monotonicSeconds();
        history.segment(now, clock.read(now), clock.playing() ? clock.speed() : 0.0);
    }
    // Notes the clock when a player call or event ends.
    struct NoteOnExit {
        State& d;
        ~NoteOnExit() { d.noteClock(); }
    };

    double frameDuration() const { return fps > 0.0 ? 1.0 / fps : 0.25; }
    void updateSpan() { clock.setFrameSpan(frameDuration()); }

    // Frames dropped at high speed: the next frame on screen comes later.
    // The smaller of the last two steps, so that one late frame (the
    // interface was busy) does not widen the span.
    void playingFrameShown(double pts) {
        if (lastPlayingPts >= 0.0 && pts > lastPlayingPts) {
            const double step = std::min(pts - lastPlayingPts, 1.0);
            clock.setFrameSpan(std::max(frameDuration(), std::min(step, lastPlayingStep)));
            lastPlayingStep = step;
        }
        lastPlayingPts = pts;
    }

    void command(std::initializer_list<const char*> args, std::uint64_t userdata) {
        if (!handle())
            return;
        std::vector<const char*> argv(args);
        argv.push_back(nullptr);
        mpv_command_async(handle(), userdata, argv.data());
    }

    void setPauseFlag(bool paused) {
        if (!handle())
            return;
        int flag = paused ? 1 : 0;
        ++pendingPauseRequests;
        mpv_set_property_async(handle(), tag(kPauseRequest, 0), "pause", MPV_FORMAT_FLAG, &flag);
    }

    void setSpeed(double speed) {
        if (handle())
            mpv_set_property_async(handle(), tag(kOtherRequest, 0), "speed", MPV_FORMAT_DOUBLE,
                                   &speed);
    }

    bool pictureDrawsFrames() const { return pictureRendering && pictureRendering(); }

    void clearSteps() {
        queuedSteps.clear();
        backStepping = false;
        forwardStepping = false;
    }

    void getProperty(const char* name, mpv_format format, std::uint64_t userdata) {
        if (handle())
            mpv_get_property_async(handle(), userdata, name, format);
    }
};

MpvPlayer::MpvPlayer(VideoOutput output, QObject* parent)
    : Player(parent), d_(std::make_unique<State>()) {
    d_->output = output;
    d_->core = MpvCore::create(output == VideoOutput::None ? MpvCore::Audio::None
                                                           : MpvCore::Audio::Device);
    d_->updateSpan();
    d_->pausePoll.setInterval(kPausePollMs);
    connect(&d_->pausePoll, &QTimer::timeout, this, [this] {
        d_->getProperty("pause", MPV_FORMAT_FLAG, tag(kPausePoll, d_->rateGeneration));
    });
    mpv_handle* h = d_->handle();
    if (!h)
        return;
    mpv_observe_property(h, kTimePos, "time-pos", MPV_FORMAT_DOUBLE);
    mpv_observe_property(h, kPauseFlag, "pause", MPV_FORMAT_FLAG);
    mpv_observe_property(h, kEofReached, "eof-reached", MPV_FORMAT_FLAG);
    mpv_observe_property(h, kDisplayWidth, "dwidth", MPV_FORMAT_INT64);
    mpv_observe_property(h, kDisplayHeight, "dheight", MPV_FORMAT_INT64);
    mpv_observe_property(h, kContainerFps, "container-fps", MPV_FORMAT_DOUBLE);
    mpv_observe_property(h, kDuration, "duration", MPV_FORMAT_DOUBLE);
    // Runs on an engine thread: only queue the drain to this object's thread.
    mpv_set_wakeup_callback(
        h,
        [](void* context) {
            auto* self = static_cast<MpvPlayer*>(context);
            if (!self->d_->drainQueued.exchange(true))
                QMetaObject::invokeMethod(self, &MpvPlayer::drainEvents, Qt::QueuedConnection);
        },
        this);
}

MpvPlayer::~MpvPlayer() {
    if (mpv_handle* h = d_->handle()) {
        // The engine may outlive this object while the video widget still
        // holds it: no more wakeups for us, and nothing left playing.
        mpv_set_wakeup_callback(h, nullptr, nullptr);
        const char* stop[] = {"stop", nullptr};
        mpv_command_async(h, 0, stop);
    }
}

bool MpvPlayer::isValid() const {
    return d_->core != nullptr;
}

bool MpvPlayer::isSettled() const {
    const State& d = *d_;
    return d.status != ItemStatus::Unknown && !d.seeking && !d.pendingSeek && !d.backStepping &&
           d.queuedSteps.empty();
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
    ++d.rateGeneration;
    d.followFrames = false;
    // A seek correction would pause the engine again: take the landing as it is.
    d.seeking = false;
    d.clearSteps();
    d.setSpeed(speed);
    if (d.rate > 0.0f) {
        d.clock.setSpeed(speed, now);
        d.unshown.clear();
    } else {
        d.setPauseFlag(false);
        d.lastPlayingPts = -1.0;
        d.lastPlayingStep = 0.0;
        d.unshown.clear();
        d.clock.play(speed, now);
        d.pausePoll.start();
    }
    d.rate = speed;
}

void MpvPlayer::pause() {
    const State::NoteOnExit noted{*d_};
    State& d = *d_;
    ++d.rateGeneration;
    d.pausePoll.stop();
    if (d.rate > 0.0f)
        d.clock.pause(monotonicSeconds());
    d.rate = 0.0f;
    d.followFrames = false;
    d.unshown.clear();
    if (d.hasItem)
        d.setPauseFlag(true);
}

double MpvPlayer::currentTime() const {
    return d_->clock.read(monotonicSeconds());
}

double MpvPlayer::timeAt(double moment) const {
    return d_->history.readingAt(moment, currentTime());
}

bool MpvPlayer::playingAt(double moment) const {
    return d_->history.runningAt(moment);
}

void MpvPlayer::seekTo(std::int64_t milliseconds) {
    const State::NoteOnExit noted{*d_};
    State& d = *d_;
    if (!d.hasItem || d.status == ItemStatus::Failed)
        return;
    // Outside the video the playhead stays at its nearer end.
    double target = std::max(0.0, double(milliseconds) / 1000.0);
    if (d.duration > 0.0)
        target = std::min(target, d.duration);
    const double now = monotonicSeconds();
    d.followFrames = false;
    d.clearSteps();
    d.clock.pauseAt(target);
    d.clock.forgetFrame();
    d.unshown.clear();
    if (d.rate > 0.0f) {
        d.lastPlayingPts = -1.0;
        d.lastPlayingStep = 0.0;
        d.clock.play(d.rate, now);
    }
    if (d.status != ItemStatus::ReadyToPlay) {
        d.pendingSeek = target;
        return;
    }
    d.pendingSeek.reset();
    d.seekTarget = target;
    d.corrections = 0;
    ++d.seekGeneration;
    d.seeking = true;
    d.seekAnswered = false;
    const std::optional<FrameGrid> grid = d.grid();
    d.gridEstimate = grid ? gridFrameAtOrBefore(target, *grid) : std::nullopt;
    const QByteArray where = formatSeconds(engineSeekTarget(target, grid)).toLatin1();
    d.command({"seek", where.constData(), "absolute+exact"}, tag(kSeekRequest, d.seekGeneration));
}

void MpvPlayer::replaceCurrentItem(const QUrl& url) {
    d_->history.clear();
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
    d.clock.setEnd(0.0);
    d.fps = 0.0;
    d.firstPts = 0.0;
    d.gridTrusted = true;
    d.updateSpan();
    d.rate = 0.0f;
    d.pausePoll.stop();
    d.clock.pauseAt(0.0);
    d.clock.forgetFrame();
    d.unshown.clear();
    d.followFrames = false;
    d.seeking = false;
    d.pendingSeek.reset();
    d.clearSteps();

    // Only a local file reaches the engine: nothing a user drops may make it
    // fetch from the network.
    const bool local = url.isLocalFile() && !url.toLocalFile().isEmpty();
    if (d.handle()) {
        d.setPauseFlag(true);
        if (local) {
            const QByteArray path = QFileInfo(url.toLocalFile()).absoluteFilePath().toUtf8();
            d.command({"loadfile", path.constData(), "replace"},
                      tag(kLoadRequest, d.loadGeneration));
        } else {
            d.command({"stop"}, tag(kOtherRequest, 0));
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
    if (d.status != ItemStatus::ReadyToPlay || d.rate > 0.0f)
        return;
    d.queuedSteps.push_back(forward);
    runQueuedSteps();
}

void MpvPlayer::runQueuedSteps() {
    const State::NoteOnExit noted{*d_};
    State& d = *d_;
    while (!d.queuedSteps.empty() && !d.seeking && !d.backStepping) {
        const bool forward = d.queuedSteps.front();
        // A step back after a step forward waits until that frame is shown.
        if (!forward && d.forwardStepping)
            return;
        d.queuedSteps.pop_front();
        d.followFrames = true;
        if (forward) {
            d.forwardStepping = true;
            const std::uint64_t step = ++d.forwardSteps;
            d.command({"frame-step"}, tag(kOtherRequest, 0));
            QTimer::singleShot(kForwardStepMs, this, [this, step] {
                if (d_->forwardStepping && d_->forwardSteps == step) {
                    d_->forwardStepping = false;
                    runQueuedSteps();
                }
            });
        } else {
            d.backStepping = true;
            d.backStepAnswered = false;
            d.command({"frame-back-step"}, tag(kBackStepRequest, d.seekGeneration));
        }
    }
}

QWidget* MpvPlayer::createVideoWidget(QWidget* parent) {
    State& d = *d_;
    if (!d.core || d.widgetCreated || d.output == VideoOutput::None)
        return nullptr;
    d.widgetCreated = true;
    const bool gl = d.output == VideoOutput::OpenGL ||
                    (d.output == VideoOutput::Automatic && MpvVideoWidget::openGLAvailable());
    // The clock follows the frames the picture puts on screen; the report
    // comes after the paint, outside of it.
    const auto follow = [this](auto* picture) {
        using Picture = std::remove_pointer_t<decltype(picture)>;
        QPointer<Picture> guard(picture);
        d_->pictureRendering = [guard] { return guard && guard->isRendering(); };
        connect(picture, &Picture::framePresented, this, &MpvPlayer::pictureShown,
                Qt::QueuedConnection);
        return picture;
    };
    if (gl)
        return follow(new MpvVideoWidget(d.core, parent));
    return follow(new MpvSoftwareVideoWidget(d.core, parent));
}

void MpvPlayer::pictureShown(double due, double at) {
    const State::NoteOnExit noted{*d_};
    if (!(d_->rate > 0.0f))
        return;
    // The engine's report of this frame may still wait in the queue.
    drainEvents();
    State& d = *d_;
    if (!(d.rate > 0.0f) || d.seeking)
        return;
    // Half the wall time between two frames' due times.
    const double slack = d.frameDuration() / d.rate / 2.0;
    if (const std::optional<double> pts = d.unshown.presented(due, slack, d.rate)) {
        d.playingFrameShown(*pts);
        d.clock.frameShown(*pts, at);
    }
}

QImage MpvPlayer::grabVideoFrame() const {
    mpv_handle* h = d_->handle();
    if (!h)
        return QImage();
    const char* args[] = {"screenshot-raw", "video", nullptr};
    mpv_node result;
    if (mpv_command_ret(h, args, &result) < 0)
        return QImage();
    QImage image;
    if (result.format == MPV_FORMAT_NODE_MAP) {
        std::int64_t w = 0, h2 = 0, stride = 0;
        const char* format = "";
        const mpv_byte_array* data = nullptr;
        const mpv_node_list* list = result.u.list;
        for (int i = 0; i < list->num; ++i) {
            const mpv_node& v = list->values[i];
            const char* key = list->keys[i];
            if (!std::strcmp(key, "w") && v.format == MPV_FORMAT_INT64)
                w = v.u.int64;
            else if (!std::strcmp(key, "h") && v.format == MPV_FORMAT_INT64)
                h2 = v.u.int64;
            else if (!std::strcmp(key, "stride") && v.format == MPV_FORMAT_INT64)
                stride = v.u.int64;
            else if (!std::strcmp(key, "format") && v.format == MPV_FORMAT_STRING)
                format = v.u.string;
            else if (!std::strcmp(key, "data") && v.format == MPV_FORMAT_BYTE_ARRAY)
                data = v.u.ba;
        }
        // "bgr0": blue, green, red, padding in memory, as Qt's RGB32.
        if (data && w > 0 && h2 > 0 && stride >= w * 4 && std::int64_t(data->size) >= stride * h2 &&
            !std::strcmp(format, "bgr0")) {
            image = QImage(static_cast<const uchar*>(data->data), int(w), int(h2), int(stride),
                           QImage::Format_RGB32)
                        .copy();
            // The padding byte is undefined; Qt wants it opaque.
            for (int y = 0; y < image.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x)
                    line[x] |= 0xff000000u;
            }
        }
    }
    mpv_free_node_contents(&result);
    return image;
}

void MpvPlayer::drainEvents() {
    d_->drainQueued.store(false);
    mpv_handle* h = d_->handle();
    // A receiver of our signals may spin a local event loop; the drain that is
    // already running takes the events that arrive meanwhile.
    if (!h || d_->draining)
        return;
    d_->draining = true;
    while (true) {
        mpv_event* event = mpv_wait_event(h, 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(event);
    }
    d_->draining = false;
}

void MpvPlayer::handleEvent(void* raw) {
    const State::NoteOnExit noted{*d_};
    State& d = *d_;
    const auto* event = static_cast<const mpv_event*>(raw);
    const std::uint64_t userdata = event->reply_userdata;
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
        runQueuedSteps();
        emit settled();
    };

    switch (event->event_id) {
    case MPV_EVENT_START_FILE: {
        const auto* start = static_cast<const mpv_event_start_file*>(event->data);
        d.startedEntry = start->playlist_entry_id;
        if (d.expectedEntry == 0)
            d.expectedEntry = d.startedEntry;
        d.fileLoaded = false;
        break;
    }
    case MPV_EVENT_FILE_LOADED:
        if (d.currentEntry())
            d.fileLoaded = true;
        break;
    case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<const mpv_event_end_file*>(event->data);
        const bool ours = d.expectedEntry >= 0 && end->playlist_entry_id == d.expectedEntry;
        if (ours && (end->reason == MPV_END_FILE_REASON_ERROR ||
                     end->reason == MPV_END_FILE_REASON_REDIRECT))
            fail();
        break;
    }
    case MPV_EVENT_PLAYBACK_RESTART:
        if (!d.currentEntry())
            break;
        if (d.fileLoaded && d.status == ItemStatus::Unknown) {
            // The first frame is ready: its time, then the picture's size.
            d.getProperty("time-pos", MPV_FORMAT_DOUBLE, tag(kFirstFrameTime, d.loadGeneration));
            d.getProperty("dwidth", MPV_FORMAT_INT64, tag(kFirstFrameWidth, d.loadGeneration));
            d.getProperty("dheight", MPV_FORMAT_INT64, tag(kFirstFrameHeight, d.loadGeneration));
        } else if (d.seeking && d.seekAnswered) {
            d.getProperty("time-pos", MPV_FORMAT_DOUBLE, tag(kLandingTime, d.seekGeneration));
        } else if (d.backStepping && d.backStepAnswered) {
            d.backStepping = false;
            runQueuedSteps();
            if (isSettled())
                emit settled();
        }
        break;
    case MPV_EVENT_COMMAND_REPLY: {
        const auto* reply = static_cast<const mpv_event_command*>(event->data);
        if (kindOf(userdata) == kLoadRequest && generationOf(userdata) == d.loadGeneration) {
            if (event->error < 0) {
                fail();
                break;
            }
            d.expectedEntry = 0;
            if (reply && reply->result.format == MPV_FORMAT_NODE_MAP) {
                const mpv_node_list* list = reply->result.u.list;
                for (int i = 0; i < list->num; ++i)
                    if (!std::strcmp(list->keys[i], "playlist_entry_id") &&
                        list->values[i].format == MPV_FORMAT_INT64)
                        d.expectedEntry = list->values[i].u.int64;
            }
        } else if (kindOf(userdata) == kBackStepRequest && d.backStepping &&
                   generationOf(userdata) == d.seekGeneration) {
            d.backStepAnswered = true;
            if (event->error < 0) {
                d.backStepping = false;
                runQueuedSteps();
            }
        } else if (kindOf(userdata) == kSeekRequest && generationOf(userdata) == d.seekGeneration &&
                   d.seeking) {
            if (event->error < 0)
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
        const auto* p = static_cast<const mpv_event_property*>(event->data);
        const std::uint64_t generation = generationOf(userdata);
        const bool haveDouble = event->error >= 0 && p->format == MPV_FORMAT_DOUBLE;
        const bool haveInt = event->error >= 0 && p->format == MPV_FORMAT_INT64;
        switch (kindOf(userdata)) {
        case kFirstFrameTime:
            if (generation == d.loadGeneration && haveDouble)
                d.firstPts = *static_cast<double*>(p->data);
            break;
        case kFirstFrameWidth:
            if (generation == d.loadGeneration && haveInt)
                d.size.setWidth(double(*static_cast<std::int64_t*>(p->data)));
            break;
        case kFirstFrameHeight:
            if (generation != d.loadGeneration || d.status != ItemStatus::Unknown)
                break;
            if (haveInt)
                d.size.setHeight(double(*static_cast<std::int64_t*>(p->data)));
            if (!(d.size.width() > 0.0 && d.size.height() > 0.0))
                d.size = QSizeF();
            becomeReady();
            break;
        case kLandingTime: {
            if (generation != d.seekGeneration || !d.seeking)
                break;
            if (!haveDouble) {
                finishSeek();
                break;
            }
            const double shown = *static_cast<double*>(p->data);
            // Far from the estimate, inside the video: the rate is not constant.
            if (d.gridEstimate && std::abs(shown - *d.gridEstimate) > kGridMismatch &&
                shown <= d.seekTarget && d.seekTarget + d.clock.frameSpan() < d.duration)
                d.gridTrusted = false;
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
            if (next == Landing::StepBack) {
                d.command({"frame-back-step"}, tag(kSeekRequest, d.seekGeneration));
            } else {
                const QByteArray where = formatSeconds(d.seekTarget).toLatin1();
                d.command({"seek", where.constData(), "absolute+exact"},
                          tag(kSeekRequest, d.seekGeneration));
            }
            break;
        }
        case kPausePoll:
            if (generation == d.rateGeneration && event->error >= 0 &&
                p->format == MPV_FORMAT_FLAG && *static_cast<int*>(p->data))
                pausedItself();
            break;
        default:
            break;
        }
        break;
    }
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto* p = static_cast<const mpv_event_property*>(event->data);
        const bool haveDouble = p->format == MPV_FORMAT_DOUBLE;
        const bool haveFlag = p->format == MPV_FORMAT_FLAG;
        const bool haveInt = p->format == MPV_FORMAT_INT64;
        switch (userdata) {
        case kTimePos: {
            // While a seek is under way the engine reports its target, not a frame.
            if (!haveDouble || !d.currentEntry() || d.seeking || d.pendingSeek)
                break;
            const double pts = *static_cast<double*>(p->data);
            if (d.rate > 0.0f) {
                if (d.pictureDrawsFrames()) {
                    d.unshown.reported(pts, now);
                } else {
                    d.playingFrameShown(pts);
                    d.clock.frameShown(pts, now);
                }
            } else {
                d.clock.frameShown(pts, now);
                if (d.followFrames)
                    d.clock.pauseAt(pts);
                if (d.forwardStepping) {
                    d.forwardStepping = false;
                    runQueuedSteps();
                }
            }
            break;
        }
        case kPauseFlag:
        case kEofReached:
            // Perhaps the engine paused itself at the end: ask it now, after
            // every request of ours, whether it is paused.
            if (haveFlag && *static_cast<int*>(p->data) && d.rate > 0.0f)
                d.getProperty("pause", MPV_FORMAT_FLAG, tag(kPausePoll, d.rateGeneration));
            break;
        case kDisplayWidth:
            if (haveInt && d.status == ItemStatus::ReadyToPlay)
                d.size.setWidth(double(*static_cast<std::int64_t*>(p->data)));
            break;
        case kDisplayHeight:
            if (haveInt && d.status == ItemStatus::ReadyToPlay)
                d.size.setHeight(double(*static_cast<std::int64_t*>(p->data)));
            break;
        case kContainerFps:
            d.fps = haveDouble ? *static_cast<double*>(p->data) : 0.0;
            d.updateSpan();
            break;
        case kDuration:
            d.duration = haveDouble ? *static_cast<double*>(p->data) : 0.0;
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
