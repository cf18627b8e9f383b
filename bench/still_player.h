#pragma once

#include "transport/player.h"

// A player that holds a loaded item paused at a fixed time: enough for the
// parts that only read the playhead (key recording, saving).
class StillPlayer : public Player {
public:
    float rate() const override { return rate_; }
    void setRate(float r) override { rate_ = r; }
    void pause() override { rate_ = 0.0f; }
    double currentTime() const override { return time; }
    void seekTo(std::int64_t ms) override { time = double(ms) / 1000.0; }
    void replaceCurrentItem(const QUrl&) override {}
    bool hasCurrentItem() const override { return true; }
    ItemStatus status() const override { return ItemStatus::ReadyToPlay; }
    QSizeF presentationSize() const override { return {1920, 1080}; }
    void stepFrame(bool) override {}

    double time = 12.3456;

private:
    float rate_ = 0.0f;
};
