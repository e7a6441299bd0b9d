#include "ThreadPool.h"

#include <algorithm>
#include <atomic>

namespace fxhost {

struct ThreadPool::Batch {
    const std::function<void(int, int)> *task;
    int count;
    std::atomic<int> next{0};  // the next item to hand out
    std::mutex mutex;
    std::condition_variable done;
    int finished = 0;  // items run to their end
    int joined = 0;    // worker threads inside work() for this batch
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

void ThreadPool::work(Batch &batch, int worker)
{
    int ran = 0;
    for (int i = batch.next++; i < batch.count; i = batch.next++) {
        (*batch.task)(i, worker);
        ++ran;
    }
    std::lock_guard<std::mutex> lock(batch.mutex);
    batch.finished += ran;
    if (worker != 0) --batch.joined;
    batch.done.notify_all();
}

void ThreadPool::workerLoop(int worker)
{
    for (;;) {
        Batch *batch = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) return;
            batch = queue_.front();
            queue_.pop_front();
            // Counted while the queue is locked, so the caller cannot take
            // back its invitations and leave before this thread is done.
            std::lock_guard<std::mutex> joining(batch->mutex);
            ++batch->joined;
        }
        work(*batch, worker);
    }
}

void ThreadPool::run(int count, const std::function<void(int, int)> &task)
{
    if (count <= 0) return;
    Batch batch;
    batch.task = &task;
    batch.count = count;
    const int invited = std::min(count - 1, static_cast<int>(workers_.size()));
    if (invited > 0) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (int i = 0; i < invited; ++i) queue_.push_back(&batch);
        }
        wake_.notify_all();
    }
    work(batch, 0);
    // Invitations nobody took are withdrawn; the threads that took one are
    // waited for.
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.erase(std::remove(queue_.begin(), queue_.end(), &batch), queue_.end());
    }
    std::unique_lock<std::mutex> lock(batch.mutex);
    batch.done.wait(lock, [&batch] { return batch.finished == batch.count && batch.joined == 0; });
}

}  // namespace fxhost
