// Edge smoothing of one 1920x1080 cel frame: flat fills with dark
// outlines, slanted and curved edges, at both working depths.
#include <benchmark/benchmark.h>

#include <cmath>

#include "fxhost/Host.h"
#include "kernels/EdgeSmoothing.h"

namespace {

constexpr A_long kWidth = 1920;
constexpr A_long kHeight = 1080;

struct Colour {
    A_u_short alpha, red, green, blue;
};

constexpr Colour kSky{32768, 18000, 26000, 31000};
constexpr Colour kGround{32768, 14000, 20000, 9000};
constexpr Colour kOutline{32768, 3000, 2500, 4000};
constexpr Colour kSkin{32768, 31000, 24000, 20000};
constexpr Colour kCloth{32768, 8000, 12000, 26000};
constexpr Colour kShadow{32768, 20000, 15000, 13000};

// The colour of one pixel of the frame: a horizon that waves, three figures
// (outlined ellipses with a slanted shadow) and a row of outlined triangles.
Colour CelPixel(A_long x, A_long y)
{
    const double horizon = 700 + 40 * std::sin(x / 90.0);
    Colour colour = y < horizon ? kSky : kGround;
    if (std::fabs(y - horizon) < 2.5) colour = kOutline;

    for (int i = 0; i < 3; ++i) {
        const double cx = 400 + 560 * i, cy = 520, rx = 170 + 20 * i, ry = 300;
        const double d = std::hypot((x - cx) / rx, (y - cy) / ry);
        if (d < 1) colour = (x - cx) + 0.6 * (y - cy) > 60 ? kShadow : (y < cy - 120 ? kSkin : kCloth);
        if (std::fabs(d - 1) * ry < 3) colour = kOutline;
    }

    const A_long cell = x % 240;
    const double tip = 930 - 0.75 * std::abs(cell - 120);
    if (y > tip && y < 1010) colour = std::fabs(y - tip) < 3 ? kOutline : kCloth;
    return colour;
}

fxhost::World CelFrame(PF_PixelFormat format)
{
    fxhost::World world(kWidth, kHeight, format);
    for (A_long y = 0; y < kHeight; ++y)
        for (A_long x = 0; x < kWidth; ++x) {
            const Colour c = CelPixel(x, y);
            if (format == PF_PixelFormat_ARGB64)
                world.at<PF_Pixel16>(x, y) = {c.alpha, c.red, c.green, c.blue};
            else
                world.at<PF_PixelFloat>(x, y) = {c.alpha / 32768.0f, c.red / 32768.0f, c.green / 32768.0f,
                                                 c.blue / 32768.0f};
        }
    return world;
}

void SmoothCelFrame(benchmark::State &state, PF_PixelFormat format, PF_Err (*smooth)(const SmoothingJob &))
{
    fxhost::Host host;
    PF_ProgressInfo frame{};
    PF_InData in_data{};
    host.prepareInData(in_data, &frame);
    fxhost::World source = CelFrame(format);
    fxhost::World destination(kWidth, kHeight, format);
    const SmoothingJob job = SmoothingJob::ForRenderDriver(&in_data, format, source.get(), destination.get());
    for (auto _ : state) benchmark::DoNotOptimize(smooth(job));
    state.counters["Mpixels"] =
        benchmark::Counter(kWidth * kHeight / 1e6 * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

void BM_SmoothEdges16(benchmark::State &state) { SmoothCelFrame(state, PF_PixelFormat_ARGB64, SmoothEdges16); }
void BM_SmoothEdgesFloat(benchmark::State &state)
{
    SmoothCelFrame(state, PF_PixelFormat_ARGB128, SmoothEdgesFloat);
}

BENCHMARK(BM_SmoothEdges16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmoothEdgesFloat)->Unit(benchmark::kMillisecond);

}  // namespace
