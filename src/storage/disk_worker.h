#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// One background thread that runs disk waits (fdatasync, folder syncs,
// closing a file) in the order they were posted, so that a slow disk never
// holds up the user-interface thread while keys arrive.
//
// Thread rules: post() and idle() from any thread; jobs run on the worker
// thread and must touch no widget or other user-interface state. They report
// back through state of their own (see the journal's mailbox).
class DiskWorker {
public:
    DiskWorker();
    ~DiskWorker(); // runs what is queued, then ends the thread
    DiskWorker(const DiskWorker&) = delete;
    DiskWorker& operator=(const DiskWorker&) = delete;

    void post(std::function<void()> job);
    // Whether every posted job has run.
    bool idle();
    // Waits until every posted job has run.
    void drain();

private:
    void run();

    std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<std::function<void()>> jobs_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

// The worker the storage code shares.
DiskWorker& diskWorker();
