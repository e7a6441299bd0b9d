// Host memory for a worker's private buffers.
#pragma once

#include <cstddef>

#include "AEConfig.h"
#include "SPBasic.h"

// Owns one AEMemory block, handed out from its first cache-line boundary:
// host memory is only aligned for scalars, and vector loads that straddle
// cache lines cost twice. Never throws: it lives on the host's worker
// threads, where a failure has to become an error code.
class ScratchBlock {
public:
    ScratchBlock() = default;
    ~ScratchBlock();
    ScratchBlock(const ScratchBlock &) = delete;
    ScratchBlock &operator=(const ScratchBlock &) = delete;

    // False when the host has no memory (or no handle suite) for it.
    bool Allocate(const SPBasicSuite *basic, size_t bytes);
    void *get() const { return aligned_; }

    static constexpr size_t kAlignment = 64;

private:
    const SPBasicSuite *basic_ = nullptr;
    void *block_ = nullptr;
    void *aligned_ = nullptr;
};
