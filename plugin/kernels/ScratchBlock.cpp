#include "kernels/ScratchBlock.h"

#include <memory>

#include "AEMemory.h"

ScratchBlock::~ScratchBlock()
{
    try {
        AEUtil::AEMemory::free(block_, basic_);
    } catch (...) {
        // The handle suite went away since the block was made; nothing to do.
    }
}

bool ScratchBlock::Allocate(const SPBasicSuite *basic, size_t bytes)
{
    try {
        block_ = AEUtil::AEMemory::alloc(bytes + kAlignment - 1, basic);
    } catch (...) {
        block_ = nullptr;
    }
    basic_ = basic;
    void *start = block_;
    size_t space = bytes + kAlignment - 1;
    aligned_ = block_ != nullptr ? std::align(kAlignment, bytes, start, space) : nullptr;
    return block_ != nullptr;
}
