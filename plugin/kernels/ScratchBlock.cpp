#include "kernels/ScratchBlock.h"

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
        block_ = AEUtil::AEMemory::alloc(bytes, basic);
    } catch (...) {
        block_ = nullptr;
    }
    basic_ = basic;
    return block_ != nullptr;
}
