#include "platform/mpv_event_pump.h"

#include <mpv/client.h>

#include <QObject>

MpvEventPump::MpvEventPump(mpv_handle* handle, QObject* receiver,
                           std::function<void(const mpv_event&)> handler)
    : handle_(handle), receiver_(receiver), handler_(std::move(handler)) {
    mpv_set_wakeup_callback(
        handle_,
        [](void* context) {
            auto* self = static_cast<MpvEventPump*>(context);
            if (!self->queued_.exchange(true))
                QMetaObject::invokeMethod(
                    self->receiver_, [self] { self->drain(); }, Qt::QueuedConnection);
        },
        this);
}

MpvEventPump::~MpvEventPump() {
    mpv_set_wakeup_callback(handle_, nullptr, nullptr);
}

void MpvEventPump::drain() {
    queued_.store(false);
    if (draining_)
        return;
    draining_ = true;
    while (true) {
        mpv_event* event = mpv_wait_event(handle_, 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        handler_(*event);
    }
    draining_ = false;
}
