// Colour propagation at the default process size (11) from the pixels of one
// of a frame's four cel colours into those of a second, about half the frame.
#include "Frames.h"
#include "kernels/Propagation.h"

namespace {

template <class Pixel>
void PropagateFrame(benchmark::State &state, PF_PixelFormat format)
{
    BenchHost bench;
    const fxhost::World source = CelFrame<Pixel>(format);
    fxhost::World output(kFrameWidth, kFrameHeight, format), spread(kFrameWidth, kFrameHeight, format);
    const PixelMask seeds = CelMask(&bench.in_data, [](int colour) { return colour == 0; });
    const PixelMask fill = CelMask(&bench.in_data, [](int colour) { return colour < 2; });
    const bool keepDivision = state.range(0) != 0;
    for (auto _ : state) {
        const PF_Err err = PropagateColour<Pixel>(source.get(), output.get(), spread.get(), &bench.in_data, kFrameArea,
                                                  seeds, fill, 11.0, keepDivision);
        if (err != PF_Err_NONE) state.SkipWithError("PropagateColour failed");
    }
    CountFrames(state);
}

void PropagateColour16(benchmark::State &state) { PropagateFrame<PF_Pixel16>(state, PF_PixelFormat_ARGB64); }
void PropagateColourFloat(benchmark::State &state) { PropagateFrame<PF_PixelFloat>(state, PF_PixelFormat_ARGB128); }

BENCHMARK(PropagateColour16)->ArgName("keepDivision")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PropagateColourFloat)->ArgName("keepDivision")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
