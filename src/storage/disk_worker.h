#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// One background thread that runs disk waits (syncs, file creation, closing a
// file) in the order they were posted, so that a slow disk never holds up the
// user-interface thread while keys arrive.
//
// A job reports back in one way: it returns a result, a function that then
// runs on the user-interface thread, through a queued call (or at drain()),
// in the order the jobs were posted. A job takes everything it needs as
// values captured when it is posted, and reads no application state.
//
// Thread rules: post() and idle() from any thread; drain() and the results on
// the user-interface thread only. Jobs run on the worker thread and touch no
// widget.
class DiskWorker {
public:
    using Result = std::function<void()>;

    DiskWorker();
    ~DiskWorker(); // runs what is queued, then ends the thread
    DiskWorker(const DiskWorker&) = delete;
    DiskWorker& operator=(const DiskWorker&) = delete;

    // A job whose result (when not empty) runs on the user-interface thread.
    void postWithResult(std::function<Result()> job);
    // A job with nothing to report.
    void post(std::function<void()> job);
    // Whether every posted job has run and every result has been delivered.
    bool idle();
    // Waits until every posted job has run, then runs the results not yet
    // delivered.
    void drain();
    // Runs the results ready now without waiting (the queued call would run
    // them a little later).
    void deliver();

private:
    void run();

    std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<std::function<Result()>> jobs_;
    std::deque<Result> results_;
    bool busy_ = false;
    bool deliveryQueued_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

// The worker the storage code shares.
DiskWorker& diskWorker();
