// One row pass and one column pass of the region blur (a repeat count of 1)
// over a whole 1920x1080 mask at radius 11 (21 taps), Keep Division off, on
// one thread, each pass timed on its own. Built with OpenCV, the same run
// times cv::GaussianBlur with the same kernel (21x1, then 1x21, sigma
// radius / sqrt(8)) on CV_16UC4 and CV_32FC4, single-threaded, and reports
// each pass's speed against OpenCV's: OpenCV's time over ours, so that 1 or
// more means ours is at least as fast. Everything runs on the calling thread,
// so the times are that thread's processor time, which other programs running
// on the machine disturb little.
#include <time.h>

#include <cmath>

#include "Frames.h"
#include "kernels/RegionBlur.h"

#ifdef SALLOW_WITH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

// The calling thread's processor time in seconds.
double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

template <class Pixel>
double TimePass(BenchHost &bench, IterateWorker worker, RegionBlurJob<Pixel> &job)
{
    const double start = ThreadSeconds();
    if (bench.in_data.utils->iterate_generic(PF_Iterations_ONCE_PER_PROCESSOR, &job, worker) != PF_Err_NONE)
        return -1;
    return ThreadSeconds() - start;
}

#ifdef SALLOW_WITH_OPENCV
// The world's pixels as an OpenCV matrix of four channels, sharing memory.
cv::Mat Matrix(const fxhost::World &world, int type)
{
    return cv::Mat(world.height(), world.width(), type, world.get()->data, static_cast<size_t>(world.get()->rowbytes));
}
#endif

template <class Pixel>
void RegionBlurPair(benchmark::State &state, PF_PixelFormat format, int cvType)
{
    BenchHost bench;
    bench.host.setThreadCount(1);
    const double radius = static_cast<double>(state.range(0));
    const fxhost::World source = CelFrame<Pixel>(format);
    fxhost::World rows = CelFrame<Pixel>(format), columns = CelFrame<Pixel>(format);
    const PixelMask mask = CelMask(&bench.in_data, [](int) { return true; });
    const GaussTable table = MakeGaussTable(static_cast<A_long>(std::ceil(radius)), radius * radius / 8);
    RegionBlurJob<Pixel> rowJob{&bench.in_data, rows.get(), source.get(), kFrameArea, &mask, &table};
    RegionBlurJob<Pixel> columnJob{&bench.in_data, columns.get(), rows.get(), kFrameArea, &mask, &table};

#ifdef SALLOW_WITH_OPENCV
    cv::setNumThreads(1);
    const cv::Mat in = Matrix(source, cvType);
    cv::Mat blurredRows, blurredColumns;
    const int taps = 2 * static_cast<int>(std::ceil(radius)) - 1;
    const double sigma = radius / std::sqrt(8.0);
    const auto cvPass = [&](const cv::Mat &from, cv::Mat &to, cv::Size size) {
        const double start = ThreadSeconds();
        cv::GaussianBlur(from, to, size, sigma, sigma);
        return ThreadSeconds() - start;
    };
    double cvRows = 0, cvColumns = 0;
#else
    (void)cvType;
#endif
    double rowSeconds = 0, columnSeconds = 0;
    for (auto _ : state) {
        const double row = TimePass(bench, RegionBlurRows<Pixel, BlurForm::Window>, rowJob);
        const double column = TimePass(bench, RegionBlurColumns<Pixel, BlurForm::Window>, columnJob);
        if (row < 0 || column < 0) state.SkipWithError("a pass failed");
        rowSeconds += row;
        columnSeconds += column;
        state.SetIterationTime(row + column);
#ifdef SALLOW_WITH_OPENCV
        // OpenCV's passes run in the same iterations as ours, so that a
        // machine whose speed drifts from minute to minute slows both alike.
        cvRows += cvPass(in, blurredRows, cv::Size(taps, 1));
        cvColumns += cvPass(blurredRows, blurredColumns, cv::Size(1, taps));
#endif
    }
    const double passes = static_cast<double>(state.iterations());
    state.counters["rows_ms"] = 1e3 * rowSeconds / passes;
    state.counters["columns_ms"] = 1e3 * columnSeconds / passes;
#ifdef SALLOW_WITH_OPENCV
    state.counters["cv_rows_ms"] = 1e3 * cvRows / passes;
    state.counters["cv_columns_ms"] = 1e3 * cvColumns / passes;
    state.counters["rows_vs_cv"] = cvRows / rowSeconds;
    state.counters["columns_vs_cv"] = cvColumns / columnSeconds;
#endif
}

#ifndef SALLOW_WITH_OPENCV
constexpr int CV_16UC4 = 0, CV_32FC4 = 0;
#endif

void RegionBlurPair16(benchmark::State &state) { RegionBlurPair<PF_Pixel16>(state, PF_PixelFormat_ARGB64, CV_16UC4); }
void RegionBlurPairFloat(benchmark::State &state)
{
    RegionBlurPair<PF_PixelFloat>(state, PF_PixelFormat_ARGB128, CV_32FC4);
}

BENCHMARK(RegionBlurPair16)->ArgName("radius")->Arg(11)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(RegionBlurPairFloat)->ArgName("radius")->Arg(11)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace
