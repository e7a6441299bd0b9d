// The region blur at the default settings (radius 11, repeat 5) over the
// pixels of two of a frame's four cel colours, about half the frame.
#include "Frames.h"
#include "kernels/RegionBlur.h"

namespace {

template <class Pixel>
void RegionBlurFrame(benchmark::State &state, PF_PixelFormat format, bool keepDivision)
{
    BenchHost bench;
    const fxhost::World source = CelFrame<Pixel>(format);
    fxhost::World destination = CelFrame<Pixel>(format), scratch(kFrameWidth, kFrameHeight, format);
    const PixelMask mask = CelMask(&bench.in_data, [](int colour) { return colour < 2; });

    for (auto _ : state) {
        const PF_Err err = RegionBlur<Pixel>(destination.get(), &bench.in_data, -1, source.get(), scratch.get(),
                                             kFrameArea, mask, 11.0, 5, keepDivision, nullptr);
        if (err != PF_Err_NONE) state.SkipWithError("RegionBlur failed");
    }
    CountFrames(state);
}

void RegionBlur16(benchmark::State &state)
{
    RegionBlurFrame<PF_Pixel16>(state, PF_PixelFormat_ARGB64, state.range(0) != 0);
}
void RegionBlurFloat(benchmark::State &state)
{
    RegionBlurFrame<PF_PixelFloat>(state, PF_PixelFormat_ARGB128, state.range(0) != 0);
}

BENCHMARK(RegionBlur16)->ArgName("keepDivision")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RegionBlurFloat)->ArgName("keepDivision")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
