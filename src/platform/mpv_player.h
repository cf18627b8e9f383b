#pragma once

#include "transport/player.h"

#include <QImage>

#include <memory>

struct mpv_event;

// The session's player on libmpv. It keeps the semantics the logic relies
// on, which are not the engine's own:
//  - rate 0 is paused and a positive rate plays at once (the engine's speed
//    range, 0.01 to 100, bounds it); rate() reads 0 after the video paused
//    itself at its end;
//  - currentTime() runs on continuously between the frames the engine shows
//    (see PlayheadClock) and reads exactly the requested time after a seek
//    while paused; while playing in a video widget it follows the frames as
//    they reach the screen, not as the engine hands them out;
//  - seekTo() shows the last frame whose time is not after the target (the
//    engine's exact seek alone shows the next one);
//  - on a constant frame rate a frame step's frame is known when it is asked
//    for: currentTime() reads it at once, and a step back, with any steps
//    queued behind it, goes to its frame by one exact seek (steps without a
//    frame grid follow each landing); a step onto a frame the picture kept from
//    playing shows it at once while the engine seeks there (FrameKeep);
//  - after a step back that the keep could not serve, the engine decodes the
//    frames before it into the keep, nearest stretch first, while the picture
//    holds the frame stepped to (fill), and after such a step forward half a
//    second of the frames after it: steps onto them are then at once, and a step onto a frame of
//    the stretch under way reads its time at once and shows it when decoded. isSettled() is false
//    until the engine is back on the frame shown;
//  - frame steps do nothing on an item without a picture (sound alone);
//  - a new item starts paused at 0; only local files are played: any other
//    URL fails without reaching the engine.
//
// Thread rules: created, used and destroyed on the user-interface thread.
// Reading the time, rate, status or size never waits for the engine: those
// values are kept from the engine's notifications, which are drained on the
// user-interface thread (the engine's wakeup only queues that drain).
class MpvPlayer : public Player {
    Q_OBJECT
public:
    enum class VideoOutput {
        Automatic, // OpenGL where a context can be made, else software drawing
        OpenGL,
        Software,
        None // no picture and no sound: decoding, seeking and the clock only
    };

    explicit MpvPlayer(VideoOutput output = VideoOutput::Automatic, QObject* parent = nullptr);
    ~MpvPlayer() override;

    float rate() const override;
    void setRate(float rate) override;
    void pause() override;
    double currentTime() const override;
    double timeAt(double moment) const override;
    bool playingAt(double moment) const override;
    void seekTo(std::int64_t milliseconds) override;
    // Seeks only when the picture shows (or is about to show) a later frame
    // than the one on screen at seconds; else the clock stops at seconds on
    // the frame that stays.
    void stopAt(double seconds) override;
    void replaceCurrentItem(const QUrl& url) override;
    bool hasCurrentItem() const override;
    ItemStatus status() const override;
    QSizeF presentationSize() const override;
    void stepFrame(bool forward) override;
    // The one video widget of this player (a second call gives nullptr).
    QWidget* createVideoWidget(QWidget* parent) override;

    // False when libmpv could not start; every item then fails.
    bool isValid() const;
    // The item is loaded (or failed) and no seek, step or decoding into the
    // picture's keep is under way.
    bool isSettled() const;
    double duration() const override;
    // The frame the engine shows now, as decoded (no scaling to a widget).
    // Waits for the engine: for tests and measurements, not for the
    // interface. Null when there is none.
    QImage grabVideoFrame() const;
    // How many seeks the engine has started (frame-back-step included), but
    // for those decoding frames into the picture's keep (fillSeeks()).
    int engineSeeks() const;
    int fillSeeks() const;

signals:
    // isSettled() became true.
    void settled();

private:
    struct State;
    std::unique_ptr<State> d_;

    // The video widget put a new frame on screen at monotonic time at; the
    // engine meant it for due (0: unknown).
    void pictureShown(double due, double at, std::uint64_t frame);
    // A step onto a frame the picture keeps: shown at once; false when not kept.
    bool stepOntoKept(double to);
    void seekToTime(double seconds);
    void runQueuedSteps();
    void stepBySeek(double to, bool forward);
    // Filling the keep with the frames before a step back's landing.
    void scheduleFill(bool ahead);
    void startFill(int tries);
    bool fillStretch();
    void fillCommand(bool seek);
    void fillCopy(std::uint64_t frame);
    void fillProgress();
    void endFill();
    bool stepDuringFill(bool forward);
    void stepsEnded();
    void handleEvent(const mpv_event& event);
};

// Makes the libmpv player the one that the first load creates.
void installMpvPlayer();
