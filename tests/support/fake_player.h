#pragma once

#include "transport/player.h"

#include <vector>

// A scripted player for logic tests: it plays nothing, remembers every call
// and reports what the test sets.
class FakePlayer : public Player {
    Q_OBJECT
public:
    float rate() const override { return rate_; }
    void setRate(float r) override {
        rate_ = r;
        rateCalls.push_back(r);
    }
    void pause() override {
        rate_ = 0.0f;
        ++pauseCalls;
    }
    double currentTime() const override { return time; }
    void seekTo(std::int64_t ms) override {
        seeks.push_back(ms);
        time = double(ms) / 1000.0;
    }
    void replaceCurrentItem(const QUrl& url) override {
        items.push_back(url);
        status_ = ItemStatus::Unknown;
        rate_ = 0.0f;
        time = 0.0;
        emit statusChanged();
    }
    bool hasCurrentItem() const override { return !items.empty(); }
    ItemStatus status() const override { return status_; }
    QSizeF presentationSize() const override { return size; }
    double duration() const override { return length; }
    void stepFrame(bool forward) override { frameSteps.push_back(forward); }

    // Sets the item's status and notifies, as the engine would.
    void setStatus(ItemStatus s) {
        status_ = s;
        emit statusChanged();
    }
    void setRateSilently(float r) { rate_ = r; }

    double time = 0.0;
    double length = 0.0;
    QSizeF size;
    std::vector<float> rateCalls;
    std::vector<std::int64_t> seeks;
    std::vector<QUrl> items;
    std::vector<bool> frameSteps;
    int pauseCalls = 0;

private:
    float rate_ = 0.0f;
    ItemStatus status_ = ItemStatus::Unknown;
};
