// The emulated host's memory pool: a frame that repeats the one before takes
// no new memory from the system, and what the pool keeps stays bounded.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "BlockPool.h"

namespace {

constexpr size_t kWorld = 8u << 20, kMask = 2u << 20, kHandle = 24 * 1024;

// One frame's requests: worlds held throughout, and blocks of other sizes
// made and given back while they are.
void Frame(fxhost::BlockPool &pool)
{
    uint8_t *first = pool.acquire(kWorld), *second = pool.acquire(kWorld);
    for (int step = 0; step < 3; ++step) {
        uint8_t *mask = pool.acquire(kMask), *handle = pool.acquire(kHandle);
        pool.release(handle, kHandle);
        uint8_t *scratch = pool.acquire(kWorld);
        pool.release(mask, kMask);
        pool.release(scratch, kWorld);
    }
    uint8_t *late = pool.acquire(kMask + 1);
    pool.release(second, kWorld);
    pool.release(first, kWorld);
    pool.release(late, kMask + 1);
}

TEST(BlockPool, AFrameLikeTheOneBeforeTakesNoNewBlocks)
{
    fxhost::BlockPool pool;
    Frame(pool);
    const size_t made = pool.blocksMade();
    for (int frame = 0; frame < 5; ++frame) Frame(pool);
    EXPECT_EQ(pool.blocksMade(), made);
}

TEST(BlockPool, BlocksOfSizesNoLongerAskedForAreLetGo)
{
    fxhost::BlockPool pool;
    Frame(pool);
    // A frame of another size: the old sizes' blocks are never asked for
    // again, and the pool does not keep them all.
    for (int frame = 0; frame < 4; ++frame) {
        std::vector<uint8_t *> held;
        for (int i = 0; i < 3; ++i) held.push_back(pool.acquire(kWorld + 4096 + static_cast<size_t>(frame)));
        for (uint8_t *block : held) pool.release(block, kWorld + 4096 + static_cast<size_t>(frame));
    }
    const size_t peak = 3 * kWorld + kMask + kHandle + 3 * 4096;
    EXPECT_LE(pool.freeBytes(), 2 * peak);
}

TEST(BlockPool, ABlockGivenBackIsHandedOutAgainOnlyForItsSize)
{
    fxhost::BlockPool pool;
    uint8_t *block = pool.acquire(kHandle);
    pool.release(block, kHandle);
    uint8_t *other = pool.acquire(kHandle + 1);
    EXPECT_NE(other, block);
    uint8_t *again = pool.acquire(kHandle);
    EXPECT_EQ(again, block);
    pool.release(other, kHandle + 1);
    pool.release(again, kHandle);
}

}  // namespace
