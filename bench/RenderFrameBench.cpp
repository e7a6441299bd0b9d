// Whole frames through the module at the default settings: the smart render
// path as a host drives it, at each depth, with one and two worker threads.
#include "Frames.h"
#include "fxhost/Effect.h"

namespace {

template <class Pixel>
void FullFrame(benchmark::State &state, PF_PixelFormat format)
{
    fxhost::Host host;
    host.setThreadCount(static_cast<int>(state.range(0)));
    fxhost::Module module(SALLOW_MODULE_PATH);
    fxhost::Effect effect(host, module);
    effect.apply();
    fxhost::World input = CelFrame<Pixel>(format), output(kFrameWidth, kFrameHeight, format);
    for (auto _ : state) {
        if (effect.render(input, output).err != PF_Err_NONE) state.SkipWithError("render failed");
    }
    CountFrames(state);
}

void FullFrame8(benchmark::State &state) { FullFrame<PF_Pixel8>(state, PF_PixelFormat_ARGB32); }
void FullFrame16(benchmark::State &state) { FullFrame<PF_Pixel16>(state, PF_PixelFormat_ARGB64); }
void FullFrameFloat(benchmark::State &state) { FullFrame<PF_PixelFloat>(state, PF_PixelFormat_ARGB128); }

BENCHMARK(FullFrame8)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FullFrame16)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FullFrameFloat)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
