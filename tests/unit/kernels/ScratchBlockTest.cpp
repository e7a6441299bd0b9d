#include <cstdint>
#include <cstring>

#include "HostFixture.h"
#include "kernels/ScratchBlock.h"

namespace {

using ScratchBlockTest = HostTest;

// The kernels' vector loads assume their scratch starts on a cache line;
// every byte asked for must be usable from there (the sanitizer build checks
// the writes).
TEST_F(ScratchBlockTest, StartsOnACacheLineWithEveryByteAskedFor)
{
    for (size_t bytes : {1u, 17u, 4096u, 40000u}) {
        ScratchBlock block;
        ASSERT_TRUE(block.Allocate(basic(), bytes));
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block.get()) % ScratchBlock::kAlignment, 0u) << bytes;
        std::memset(block.get(), 0xA5, bytes);
    }
}

}  // namespace
