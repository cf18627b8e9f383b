#include "storage/disk_worker.h"

#include <QCoreApplication>
#include <QMetaObject>

DiskWorker::DiskWorker() : thread_([this] { run(); }) {}

DiskWorker::~DiskWorker() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void DiskWorker::postWithResult(std::function<Result()> job) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void DiskWorker::post(std::function<void()> job) {
    postWithResult([job = std::move(job)] {
        job();
        return Result();
    });
}

bool DiskWorker::idle() {
    std::lock_guard<std::mutex> hold(lock_);
    return jobs_.empty() && !busy_ && results_.empty();
}

void DiskWorker::drain() {
    {
        std::unique_lock<std::mutex> hold(lock_);
        done_.wait(hold, [this] { return jobs_.empty() && !busy_; });
    }
    deliver();
}

void DiskWorker::deliver() {
    std::deque<Result> ready;
    {
        std::lock_guard<std::mutex> hold(lock_);
        ready.swap(results_);
        deliveryQueued_ = false;
    }
    for (Result& result : ready)
        result();
}

void DiskWorker::run() {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        wake_.wait(hold, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty())
            return; // stopping, and nothing left to run
        std::function<Result()> job = std::move(jobs_.front());
        jobs_.pop_front();
        busy_ = true;
        hold.unlock();
        Result result = job();
        hold.lock();
        busy_ = false;
        if (result) {
            results_.push_back(std::move(result));
            QCoreApplication* app = QCoreApplication::instance();
            if (!deliveryQueued_ && app) {
                deliveryQueued_ = true;
                QMetaObject::invokeMethod(
                    app, [this] { deliver(); }, Qt::QueuedConnection);
            }
        }
        done_.notify_all();
    }
}

DiskWorker& diskWorker() {
    static DiskWorker worker;
    return worker;
}
