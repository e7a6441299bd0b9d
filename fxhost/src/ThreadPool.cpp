#include "ThreadPool.h"

namespace fxhost {

struct ThreadPool::Batch {
    const std::function<void(int, int)> *task;
    int remaining;
    std::mutex mutex;
    std::condition_variable done;
};

ThreadPool::ThreadPool(int threads)
{
    for (int i = 1; i < threads; ++i) workers_.emplace_back([this, i] { workerLoop(i); });
}

ThreadPool::~ThreadPool()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread &worker : workers_) worker.join();
}

void ThreadPool::execute(const Item &item, int worker)
{
    (*item.batch->task)(item.index, worker);
    std::lock_guard<std::mutex> lock(item.batch->mutex);
    if (--item.batch->remaining == 0) item.batch->done.notify_all();
}

void ThreadPool::workerLoop(int worker)
{
    for (;;) {
        Item item;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) return;
            item = queue_.front();
            queue_.pop_front();
        }
        execute(item, worker);
    }
}

void ThreadPool::run(int count, const std::function<void(int, int)> &task)
{
    if (count <= 0) return;
    Batch batch;
    batch.task = &task;
    batch.remaining = count;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (int i = 0; i < count; ++i) queue_.push_back(Item{&batch, i});
    }
    wake_.notify_all();

    // The caller works through the queue as well, then waits for the items
    // that other threads took.
    for (;;) {
        Item item;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (queue_.empty()) break;
            item = queue_.front();
            queue_.pop_front();
        }
        execute(item, 0);
    }
    std::unique_lock<std::mutex> lock(batch.mutex);
    batch.done.wait(lock, [&batch] { return batch.remaining == 0; });
}

}  // namespace fxhost
