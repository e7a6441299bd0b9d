#include "BlockPool.h"

#include <algorithm>

#include "Platform.h"

namespace fxhost {

BlockPool::~BlockPool()
{
    for (const Block &block : free_) platform::FreeBlock(block.data);
}

uint8_t *BlockPool::acquire(size_t bytes)
{
    bytes = std::max<size_t>(bytes, 1);
    std::lock_guard<std::mutex> lock(mutex_);
    // The block given back last is the likeliest still in the caches.
    const auto found = std::find_if(free_.rbegin(), free_.rend(), [bytes](const Block &b) { return b.bytes == bytes; });
    uint8_t *data = nullptr;
    if (found != free_.rend()) {
        data = found->data;
        free_.erase(std::next(found).base());
        freeBytes_ -= bytes;
    } else {
        data = platform::AllocateBlock(bytes);
        ++made_;
    }
    inUse_ += bytes;
    peak_ = std::max(peak_, inUse_);
    return data;
}

void BlockPool::release(uint8_t *data, size_t bytes)
{
    if (data == nullptr) return;
    bytes = std::max<size_t>(bytes, 1);
    std::lock_guard<std::mutex> lock(mutex_);
    inUse_ -= bytes;
    free_.push_back({bytes, data});
    freeBytes_ += bytes;
    while (freeBytes_ > 2 * peak_ && !free_.empty()) {
        platform::FreeBlock(free_.front().data);
        freeBytes_ -= free_.front().bytes;
        free_.pop_front();
    }
}

size_t BlockPool::freeBlocks() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return free_.size();
}

size_t BlockPool::freeBytes() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return freeBytes_;
}

size_t BlockPool::blocksMade() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return made_;
}

}  // namespace fxhost
