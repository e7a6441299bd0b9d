// The emulated host the kernel benchmarks run in, and the masks of their
// cel frames.
#pragma once

#include <benchmark/benchmark.h>

#include "CelFrame.h"
#include "fxhost/Host.h"
#include "pipeline/PixelMask.h"

// An emulated host with an in_data, one per benchmark run.
struct BenchHost {
    BenchHost() { host.prepareInData(in_data, &frame); }
    fxhost::Host host;
    PF_ProgressInfo frame;
    PF_InData in_data;
};

// The pixels of the frame whose cel colour index `selects` accepts.
template <class Selects>
PixelMask CelMask(PF_InData *in_data, Selects selects)
{
    PixelMask mask;
    mask.AllocateMask(in_data, kFrameWidth, kFrameHeight);
    for (A_long y = 0; y < kFrameHeight; ++y)
        for (A_long x = 0; x < kFrameWidth; ++x) mask.Row(y)[x] = selects(CelAt(x, y)) ? 1 : 0;
    mask.RecomputeFlags();
    return mask;
}

inline void CountFrames(benchmark::State &state)
{
    state.counters["Mpixels"] =
        benchmark::Counter(kFrameWidth * kFrameHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}
