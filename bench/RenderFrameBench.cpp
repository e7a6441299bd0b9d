// Whole frames through the module, the smart render path as a host drives
// it, at each depth, with one and two worker threads and at 960x540,
// 1920x1080 and 3840x2160: at the default settings (the Base pass and
// Process 1), and with all four processes enabled, one cel colour each. One
// frame renders before the timing starts, as a host's memory pool is warm
// after its first frame. FrameOverFloor8 and TwoThreadSpeedup time the
// frame against its memory floor, and on two threads against one, in the
// same iterations.
#include <chrono>
#include <string>

#include "Frames.h"
#include "MemoryFloor.h"
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

// Seconds since start.
double Since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The module at the default settings and a 1080p cel frame.
template <class Pixel>
struct DefaultFrame {
    DefaultFrame(benchmark::State &state, PF_PixelFormat format)
        : state(state), input(CelFrame<Pixel>(format)), output(kFrameWidth, kFrameHeight, format)
    {
        effect.apply();
    }
    // One frame; its seconds.
    double Render()
    {
        const auto start = std::chrono::steady_clock::now();
        if (effect.render(input, output).err != PF_Err_NONE) state.SkipWithError("render failed");
        return Since(start);
    }

    benchmark::State &state;
    fxhost::Host host;
    fxhost::Module module{SALLOW_MODULE_PATH};
    fxhost::Effect effect{host, module};
    fxhost::World input, output;
};

// Times first() and second(), each giving its seconds, in every iteration,
// so that a machine whose speed drifts from minute to minute slows both
// alike; each is timed on its second run, after the other has been through
// the caches, as it would be in a benchmark of its own. The iteration's time
// is first's. The counters give each one's mean and the ratio of their
// totals.
template <class First, class Second>
void Alternate(benchmark::State &state, First &&first, Second &&second, const char *firstName,
               const char *secondName, const char *ratioName)
{
    double firsts = 0, seconds = 0;
    for (auto _ : state) {
        first();
        const double a = first();
        second();
        seconds += second();
        firsts += a;
        state.SetIterationTime(a);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters[firstName] = 1e3 * firsts / n;
    state.counters[secondName] = 1e3 * seconds / n;
    state.counters[ratioName] = firsts / seconds;
}

// The default 8-bit 1080p frame on one thread against its memory floor.
void FrameOverFloor8(benchmark::State &state)
{
    DefaultFrame<PF_Pixel8> frame(state, PF_PixelFormat_ARGB32);
    frame.host.setThreadCount(1);
    frame.Render();
    MemoryFloorWork floor;
    Alternate(
        state, [&] { return frame.Render(); },
        [&] {
            const auto start = std::chrono::steady_clock::now();
            floor.Run();
            return Since(start);
        },
        "frame_ms", "floor_ms", "frame_over_floor");
}

// The default 1080p frame on one thread against two: speedup is the
// one-thread total over the two-thread total.
template <class Pixel>
void TwoThreadSpeedup(benchmark::State &state, PF_PixelFormat format)
{
    DefaultFrame<Pixel> frame(state, format);
    const auto timed = [&](int threads) {
        frame.host.setThreadCount(threads);
        return frame.Render();
    };
    timed(1);
    timed(2);
    Alternate(
        state, [&] { return timed(1); }, [&] { return timed(2); }, "one_thread_ms", "two_threads_ms", "speedup");
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
BENCHMARK(FrameOverFloor8)->Unit(benchmark::kMillisecond)->UseManualTime();
void TwoThreadSpeedup8(benchmark::State &state) { TwoThreadSpeedup<PF_Pixel8>(state, PF_PixelFormat_ARGB32); }
void TwoThreadSpeedup16(benchmark::State &state) { TwoThreadSpeedup<PF_Pixel16>(state, PF_PixelFormat_ARGB64); }
void TwoThreadSpeedupFloat(benchmark::State &state)
{
    TwoThreadSpeedup<PF_PixelFloat>(state, PF_PixelFormat_ARGB128);
}
BENCHMARK(TwoThreadSpeedup8)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(TwoThreadSpeedup16)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(TwoThreadSpeedupFloat)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace
