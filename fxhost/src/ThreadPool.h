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
    // `workers` threads of its own; every caller of run() works too.
    explicit ThreadPool(int workers);
    ~ThreadPool();
    ThreadPool(const ThreadPool &) = delete;
    ThreadPool &operator=(const ThreadPool &) = delete;

    int workers() const { return static_cast<int>(workers_.size()); }

    // Runs task(0, worker) ... task(count - 1, worker) and returns when all
    // are done; worker names the thread that runs the item, 0 being the
    // caller and 1 to workers() the pool's threads. Several threads may call
    // this at once (frames rendering concurrently): each caller works only on
    // its own items, so that no two items of one call run under the same
    // worker number at once, and the pool's threads take items of every call
    // in the order the calls came.
    void run(int count, const std::function<void(int index, int worker)> &task);

private:
    struct Batch;

    void workerLoop(int worker);
    // The next item of the batch, or -1 when all are handed out; under mutex_.
    static int claim(Batch &batch);
    static void execute(Batch &batch, int index, int worker);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Batch *> queue_;  // calls with items not yet handed out
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace fxhost
