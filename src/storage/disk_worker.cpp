#include "storage/disk_worker.h"

DiskWorker::DiskWorker() : thread_([this] { run(); }) {}

DiskWorker::~DiskWorker() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void DiskWorker::post(std::function<void()> job) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

bool DiskWorker::idle() {
    std::lock_guard<std::mutex> hold(lock_);
    return jobs_.empty() && !busy_;
}

void DiskWorker::drain() {
    std::unique_lock<std::mutex> hold(lock_);
    done_.wait(hold, [this] { return jobs_.empty() && !busy_; });
}

void DiskWorker::run() {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        wake_.wait(hold, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty())
            return; // stopping, and nothing left to run
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        busy_ = true;
        hold.unlock();
        job();
        hold.lock();
        busy_ = false;
        done_.notify_all();
    }
}

DiskWorker& diskWorker() {
    static DiskWorker worker;
    return worker;
}
