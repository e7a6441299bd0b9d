// Whole frames through the module, the smart render path as a host drives
// it, at each depth, with one and two worker threads and at 960x540,
// 1920x1080 and 3840x2160: at the default settings (the Base pass and
// Process 1), and with all four processes enabled, one cel colour each. One
// frame renders before the timing starts, as a host's memory pool is warm
// after its first frame.
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
    const A_long width = static_cast<A_long>(state.range(1)), height = width * 9 / 16;
    fxhost::World input = CelFrame<Pixel>(format, width, height), output(width, height, format);
    if (effect.render(input, output).err != PF_Err_NONE) state.SkipWithError("render failed");
    for (auto _ : state) {
        if (effect.render(input, output).err != PF_Err_NONE) state.SkipWithError("render failed");
    }
    state.counters["Mpixels"] =
        benchmark::Counter(width * static_cast<double>(height) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["ns_per_pixel"] = benchmark::Counter(width * static_cast<double>(height),
                                                        benchmark::Counter::kIsIterationInvariantRate |
                                                            benchmark::Counter::kInvert);
}

// Threads 1 and 2 at the three widths.
void FrameArguments(benchmark::internal::Benchmark *bench)
{
    bench->ArgNames({"threads", "width"})->Unit(benchmark::kMillisecond)->UseRealTime();
    for (int threads : {1, 2})
        for (int width : {960, 1920, 3840}) bench->Args({threads, width});
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

BENCHMARK(FullFrame8)->Apply(FrameArguments);
BENCHMARK(FullFrame16)->Apply(FrameArguments);
BENCHMARK(FullFrameFloat)->Apply(FrameArguments);
BENCHMARK(FullFrameAllProcesses8)->Apply(FrameArguments);
BENCHMARK(FullFrameAllProcesses16)->Apply(FrameArguments);
BENCHMARK(FullFrameAllProcessesFloat)->Apply(FrameArguments);

}  // namespace
