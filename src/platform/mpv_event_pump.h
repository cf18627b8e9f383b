#pragma once

#include <atomic>
#include <functional>

class QObject;
struct mpv_event;
struct mpv_handle;

// Hands an engine's events to a handler on the receiver's thread. The
// engine's wakeup, which runs on an engine thread, only queues a drain there
// (one at a time); a drain hands over every event waiting. A drain that
// starts while one runs (a handler may spin a local event loop) does
// nothing: the running one takes the events that arrive meanwhile.
//
// Thread rules: created, drained and destroyed on the receiver's thread,
// where the handler runs. The pump goes with its receiver (in the receiver's
// destructor): that stops the wakeups, and a drain already queued goes with
// the receiver.
class MpvEventPump {
public:
    MpvEventPump(mpv_handle* handle, QObject* receiver,
                 std::function<void(const mpv_event&)> handler);
    ~MpvEventPump();
    MpvEventPump(const MpvEventPump&) = delete;
    MpvEventPump& operator=(const MpvEventPump&) = delete;

    void drain();

private:
    mpv_handle* handle_;
    QObject* receiver_;
    std::function<void(const mpv_event&)> handler_;
    std::atomic<bool> queued_{false};
    bool draining_ = false;
};
