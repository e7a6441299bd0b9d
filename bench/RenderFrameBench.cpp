// Whole frames through the module, the smart render path as a host drives
// it, at each depth, with one and two worker threads: at the default settings
// (the Base pass and Process 1), and with all four processes enabled, one
// cel colour each.
#include <string>

#include "Frames.h"
#include "fxhost/Effect.h"

namespace {

template <class Pixel>
void FullFrame(benchmark::State &state, PF_PixelFormat format, bool allProcesses = false)
{
    fxhost::Host host;
    host.setThreadCount(static_cast<int>(state.range(0)));
    fxhost::Module module(SALLOW_MODULE_PATH);
    fxhost::Effect effect(host, module);
    effect.apply();
    for (int process = 2; allProcesses && process <= 4; ++process) {
        const std::string group = std::to_string(process) + " : ";
        effect.setValue(group + "Enable Process", 1);
        effect.setColour(group + "Color", kCelColours[process - 1]);
    }
    fxhost::World input = CelFrame<Pixel>(format), output(kFrameWidth, kFrameHeight, format);
    for (auto _ : state) {
        if (effect.render(input, output).err != PF_Err_NONE) state.SkipWithError("render failed");
    }
    CountFrames(state);
}

void FullFrame8(benchmark::State &state) { FullFrame<PF_Pixel8>(state, PF_PixelFormat_ARGB32); }
void FullFrame16(benchmark::State &state) { FullFrame<PF_Pixel16>(state, PF_PixelFormat_ARGB64); }
void FullFrameFloat(benchmark::State &state) { FullFrame<PF_PixelFloat>(state, PF_PixelFormat_ARGB128); }
void FullFrameAllProcesses8(benchmark::State &state) { FullFrame<PF_Pixel8>(state, PF_PixelFormat_ARGB32, true); }
void FullFrameAllProcesses16(benchmark::State &state) { FullFrame<PF_Pixel16>(state, PF_PixelFormat_ARGB64, true); }
void FullFrameAllProcessesFloat(benchmark::State &state)
{
    FullFrame<PF_PixelFloat>(state, PF_PixelFormat_ARGB128, true);
}

BENCHMARK(FullFrame8)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FullFrame16)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FullFrameFloat)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FullFrameAllProcesses8)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FullFrameAllProcesses16)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FullFrameAllProcessesFloat)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
