// The memory behind the worlds and handles the emulated host hands out, kept
// for reuse as a real host keeps its own: a block given back is handed out
// again for the next request of the same size, so a frame that makes the
// worlds and handles of the frame before touches no fresh pages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>

namespace fxhost {

class BlockPool {
public:
    BlockPool() = default;
    ~BlockPool();
    BlockPool(const BlockPool &) = delete;
    BlockPool &operator=(const BlockPool &) = delete;

    // A block of `bytes` (at least 1); its contents are whatever the last user
    // left. Throws std::bad_alloc when there is no memory.
    uint8_t *acquire(size_t bytes);
    // Gives a block of `bytes` back for reuse. The pool keeps up to twice the
    // most it has had handed out at once, letting the blocks given back
    // longest ago go first. A frame holds more distinct blocks over its
    // course than at any one moment (a mask made after a world of another
    // size is given back), and keeping only the most held at once would free
    // and make those blocks again every frame.
    void release(uint8_t *block, size_t bytes);

    // Blocks kept for reuse and their total size.
    size_t freeBlocks() const;
    size_t freeBytes() const;
    // Blocks taken from the system since the pool was made.
    size_t blocksMade() const;

private:
    struct Block {
        size_t bytes;
        uint8_t *data;
    };

    mutable std::mutex mutex_;
    std::list<Block> free_;  // the block given back longest ago first
    size_t freeBytes_ = 0;
    size_t inUse_ = 0;  // bytes handed out and not given back
    size_t peak_ = 0;   // the most inUse_ has been
    size_t made_ = 0;
};

}  // namespace fxhost
