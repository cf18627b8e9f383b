#pragma once

#include <QObject>
#include <QSizeF>
#include <QUrl>

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>

class QWidget;

// Readiness of the player's current item.
enum class ItemStatus { Unknown = 0, ReadyToPlay = 1, Failed = 2 };

// The one video player of a session, as the logic sees it. Implementations
// hide their engine behind this surface (the program uses libmpv, tests may
// use a scripted double).
//
// Semantics every implementation keeps:
//  - rate() is 0 while paused; setRate(r > 0) plays at r at once; setRate(0)
//    pauses. After the item paused itself at its end, rate() reads 0.
//  - currentTime() is continuous while playing and, after a seek while
//    paused, exactly the requested millisecond.
//  - seekTo(ms) shows the frame that is on screen at that time: the last
//    frame whose time is not after it. Nobody waits for the seek.
//  - A new item starts paused at 0; playback pauses at the end of an item.
//
// Thread rules: created, used and destroyed on the user-interface thread.
// No call blocks on the engine. statusChanged() is emitted on the
// user-interface thread whenever the current item or its status changes.
class Player : public QObject {
    Q_OBJECT
public:
    explicit Player(QObject* parent = nullptr) : QObject(parent) {}
    ~Player() override = default;

    virtual float rate() const = 0;
    virtual void setRate(float rate) = 0;
    virtual void pause() = 0;

    // The playhead in seconds.
    virtual double currentTime() const = 0;
    // The playhead, and whether it ran, at monotonic time `moment` of the
    // last few seconds (when a key went down): the state then, across any
    // pause, seek or rate change since. Without a history: now.
    virtual double timeAt(double /*moment*/) const { return currentTime(); }
    virtual bool playingAt(double /*moment*/) const { return rate() > 0.0f; }
    // Seek with zero tolerance to value/1000 seconds.
    virtual void seekTo(std::int64_t milliseconds) = 0;
    // Pauses with the playhead at seconds, a time the playhead has already
    // reached (a stop key's stamp), and the picture showing the frame of that
    // time. This default seeks there unless the playhead stands within half
    // a millisecond of it.
    virtual void stopAt(double seconds) {
        setRate(0.0f);
        if (std::abs(currentTime() - seconds) >= 0.0005)
            seekTo(std::llround(seconds * 1000.0));
    }

    // Makes url the current item (the old item is dropped).
    virtual void replaceCurrentItem(const QUrl& url) = 0;
    virtual bool hasCurrentItem() const = 0;
    virtual ItemStatus status() const = 0;
    // The item's length in seconds; 0 while unknown or without an item.
    virtual double duration() const { return 0.0; }
    // Display size of the picture with its aspect applied; (0, 0) while unknown.
    virtual QSizeF presentationSize() const = 0;

    // One frame forward or back while paused (the player view's arrow keys).
    // Where the player can tell the frame a step goes to, currentTime() reads
    // its time from the call on, before the picture shows it.
    virtual void stepFrame(bool forward) = 0;

    // A widget that shows the picture, owned by parent; nullptr when the
    // player draws nothing.
    virtual QWidget* createVideoWidget(QWidget* /*parent*/) { return nullptr; }

signals:
    // The current item was replaced or its status changed.
    void statusChanged();
};

// Makes the player that the first load puts into the player view. The
// program installs the libmpv player; tests may install a double.
using PlayerFactory = std::function<std::unique_ptr<Player>()>;
void setPlayerFactory(PlayerFactory factory);
std::unique_ptr<Player> makePlayer();
