// Key matching on a flat-coloured 8-bit frame with four keys, one per cel
// colour, tried in the reverse order of the colours.
#include "Frames.h"
#include "kernels/Keying.h"

namespace {

void MaskFromKeys8(benchmark::State &state)
{
    BenchHost bench;
    const fxhost::World frame = CelFrame<PF_Pixel8>(PF_PixelFormat_ARGB32);
    KeyList keys(4);
    for (int k = 0; k < 4; ++k)
        if (MakeColourKey(&bench.in_data, kCelColours[3 - k], 0.02, &keys[k]) != PF_Err_NONE)
            state.SkipWithError("no key");
    PixelMask mask;
    for (auto _ : state) {
        if (MaskFromKeys<PF_Pixel8>(&bench.in_data, frame.get(), kFrameArea, keys, 1, &mask) != PF_Err_NONE)
            state.SkipWithError("MaskFromKeys failed");
    }
    CountFrames(state);
}

BENCHMARK(MaskFromKeys8)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
