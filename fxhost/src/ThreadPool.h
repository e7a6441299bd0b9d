// The worker threads behind iterate_generic.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace fxhost {

class ThreadPool {
public:
    // `threads` counts the calling thread, which works too: a pool of 1 has
    // no worker threads of its own.
    explicit ThreadPool(int threads);
    ~ThreadPool();
    ThreadPool(const ThreadPool &) = delete;
    ThreadPool &operator=(const ThreadPool &) = delete;

    int size() const { return static_cast<int>(workers_.size()) + 1; }

    // Runs task(0, worker) ... task(count - 1, worker) and returns when all
    // are done; worker (0 to size() - 1) names the thread that runs the item,
    // 0 being the caller. The items go out in order from a shared counter, so
    // a thread that falls behind takes fewer of them. Several threads may
    // call this at once.
    void run(int count, const std::function<void(int index, int worker)> &task);

private:
    struct Batch;

    void workerLoop(int worker);
    // Runs items of the batch until none are left to take.
    static void work(Batch &batch, int worker);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Batch *> queue_;  // one entry per worker thread invited to a batch
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace fxhost
