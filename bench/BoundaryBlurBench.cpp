// The boundary blur at the default process settings (radius 11 / 2, repeat
// 5) over two of a frame's four cel colours, about half the frame: one
// colour spread into the other, then feathered.
#include "Frames.h"
#include "kernels/BoundaryBlur.h"
#include "kernels/Propagation.h"

namespace {

template <class Pixel>
void BoundaryBlurFrame(benchmark::State &state, PF_PixelFormat format)
{
    BenchHost bench;
    const fxhost::World frame = CelFrame<Pixel>(format);
    fxhost::World source(kFrameWidth, kFrameHeight, format), spread(kFrameWidth, kFrameHeight, format);
    fxhost::World destination(kFrameWidth, kFrameHeight, format), scratch(kFrameWidth, kFrameHeight, format);
    const PixelMask keys = CelMask(&bench.in_data, [](int colour) { return colour == 0; });
    const PixelMask region = CelMask(&bench.in_data, [](int colour) { return colour < 2; });
    const bool keepDivision = state.range(0) != 0;
    if (PropagateColour<Pixel>(frame.get(), source.get(), spread.get(), &bench.in_data, kFrameArea, keys, region, 11.0,
                               keepDivision) != PF_Err_NONE)
        state.SkipWithError("PropagateColour failed");
    for (auto _ : state) {
        const PF_Err err = BoundaryBlur<Pixel>(destination.get(), &bench.in_data, -1, source.get(), scratch.get(),
                                               kFrameArea, region, keys, 5.5, 5, keepDivision, nullptr);
        if (err != PF_Err_NONE) state.SkipWithError("BoundaryBlur failed");
    }
    CountFrames(state);
}

void BoundaryBlur16(benchmark::State &state) { BoundaryBlurFrame<PF_Pixel16>(state, PF_PixelFormat_ARGB64); }
void BoundaryBlurFloat(benchmark::State &state) { BoundaryBlurFrame<PF_PixelFloat>(state, PF_PixelFormat_ARGB128); }

BENCHMARK(BoundaryBlur16)->ArgName("keepDivision")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BoundaryBlurFloat)->ArgName("keepDivision")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
