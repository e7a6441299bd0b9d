// MemoryFloor8: the memory floor of the default 8-bit 1080p frame (see
// MemoryFloor.h). FullFrame8/threads:1 over MemoryFloor8 says how far above
// it the frame is; FrameOverFloor8 measures the two in the same iterations.
#include "MemoryFloor.h"

namespace {

void MemoryFloor8(benchmark::State &state)
{
    MemoryFloorWork floor;
    for (auto _ : state) floor.Run();
    CountFrames(state);
}

BENCHMARK(MemoryFloor8)->Unit(benchmark::kMillisecond);

}  // namespace
