#include "ThreadPool.h"

#include <algorithm>

namespace fxhost {

struct ThreadPool::Batch {
    const std::function<void(int, int)> *task;
    int count;
    int next = 0;  // the next item to hand out, under the pool's mutex
    int remaining;
    std::mutex mutex;
    std::condition_variable done;
};

ThreadPool::ThreadPool(int workers)
{
    for (int i = 1; i <= workers; ++i) workers_.emplace_back([this, i] { workerLoop(i); });
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

int ThreadPool::claim(Batch &batch) { return batch.next < batch.count ? batch.next++ : -1; }

void ThreadPool::execute(Batch &batch, int index, int worker)
{
    (*batch.task)(index, worker);
    std::lock_guard<std::mutex> lock(batch.mutex);
    if (--batch.remaining == 0) batch.done.notify_all();
}

void ThreadPool::workerLoop(int worker)
{
    for (;;) {
        Batch *batch = nullptr;
        int index = -1;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            while (!queue_.empty() && (index = claim(*queue_.front())) < 0) queue_.pop_front();
            if (index < 0) {
                if (stopping_) return;
                continue;
            }
            batch = queue_.front();
        }
        execute(*batch, index, worker);
    }
}

void ThreadPool::run(int count, const std::function<void(int, int)> &task)
{
    if (count <= 0) return;
    Batch batch;
    batch.task = &task;
    batch.count = count;
    batch.remaining = count;
    if (!workers_.empty()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            queue_.push_back(&batch);
        }
        wake_.notify_all();
    }
    for (;;) {
        int index;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            index = claim(batch);
            // Once every item is handed out no worker may find the batch.
            if (index < 0) queue_.erase(std::remove(queue_.begin(), queue_.end(), &batch), queue_.end());
        }
        if (index < 0) break;
        execute(batch, index, 0);
    }
    std::unique_lock<std::mutex> lock(batch.mutex);
    batch.done.wait(lock, [&batch] { return batch.remaining == 0; });
}

}  // namespace fxhost
