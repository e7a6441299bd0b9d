// The emulated host's own services that the effect's results depend on.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "AE_EffectCBSuites.h"
#include "AE_EffectSuites.h"
#include "HostFixture.h"
#include "fxhost/Colour.h"

namespace {

struct Hls {
    PF_Fixed hue, lightness, saturation;
};

Hls Convert(A_u_char r, A_u_char g, A_u_char b)
{
    PF_Pixel pixel{255, r, g, b};
    PF_HLS_Pixel hls;
    fxhost::RgbToHls(pixel, hls);
    return {hls[0], hls[1], hls[2]};
}

TEST(RgbToHls, PrimariesGreysAndTheHueWrap)
{
    const Hls red = Convert(255, 0, 0);
    EXPECT_EQ(red.hue, 0);
    EXPECT_EQ(red.lightness, 32768);
    EXPECT_EQ(red.saturation, 65536);

    const Hls blue = Convert(0, 0, 255);
    EXPECT_EQ(blue.hue, 240 * 65536);

    const Hls grey = Convert(128, 128, 128);
    EXPECT_EQ(grey.hue, 0);
    EXPECT_EQ(grey.saturation, 0);
    EXPECT_EQ(grey.lightness, 32897);  // round(65536 * 256 / 510) = round(32896.5)

    // Slightly blue of red: the negative hue wraps to just under 360 degrees.
    const Hls wrapped = Convert(255, 0, 10);
    EXPECT_EQ(wrapped.hue, 360 * 65536 - 154202);

    // Light colours take their saturation against the white end.
    const Hls pale = Convert(255, 200, 200);
    EXPECT_EQ(pale.saturation, 65536);
    EXPECT_EQ(pale.lightness, 58468);  // round(65536 * 455 / 510) = round(58468.01)
}

class IterateGeneric : public HostTest {};

TEST_F(IterateGeneric, OncePerProcessorCallsEverySliceOnce)
{
    host.setThreadCount(3);
    struct Record {
        std::atomic<int> calls[3];
        std::atomic<int> badCount{0};
    } record{};
    auto worker = [](void *refcon, A_long, A_long i, A_long n) -> PF_Err {
        auto *r = static_cast<Record *>(refcon);
        if (n != 3) ++r->badCount;
        ++r->calls[i];
        return i == 1 ? PF_Err_OUT_OF_MEMORY : PF_Err_NONE;
    };
    EXPECT_EQ(inData()->utils->iterate_generic(PF_Iterations_ONCE_PER_PROCESSOR, &record, worker),
              PF_Err_OUT_OF_MEMORY);
    for (auto &calls : record.calls) EXPECT_EQ(calls.load(), 1);
    EXPECT_EQ(record.badCount.load(), 0);
}

TEST_F(IterateGeneric, LargeFramesGetMoreSlicesThanThreads)
{
    host.setThreadCount(2);
    EXPECT_EQ(host.slicesPerCall(), 2);
    host.noteFrameSize(8000, 8000);
    host.noteFrameSize(100, 100);  // the largest frame so far counts
    const int expected = static_cast<int>((8000LL * 8000 + fxhost::Host::kPixelsPerSlice - 1) / fxhost::Host::kPixelsPerSlice);
    EXPECT_EQ(host.slicesPerCall(), expected);

    struct Record {
        std::vector<std::atomic<int>> calls;
        std::atomic<int> badArguments{0};
    } record{std::vector<std::atomic<int>>(static_cast<size_t>(expected)), {}};
    auto worker = [](void *refcon, A_long thread, A_long i, A_long n) -> PF_Err {
        auto *r = static_cast<Record *>(refcon);
        if (thread < 0 || thread >= 2 || n != static_cast<A_long>(r->calls.size())) ++r->badArguments;
        ++r->calls[static_cast<size_t>(i)];
        return PF_Err_NONE;
    };
    EXPECT_EQ(inData()->utils->iterate_generic(PF_Iterations_ONCE_PER_PROCESSOR, &record, worker), PF_Err_NONE);
    for (auto &calls : record.calls) EXPECT_EQ(calls.load(), 1);
    EXPECT_EQ(record.badArguments.load(), 0);
}

TEST_F(IterateGeneric, ACancelStopsTheSlicesNotYetStarted)
{
    host.setThreadCount(1);
    host.noteFrameSize(4000, 4000);
    struct Record {
        fxhost::Host *host;
        std::atomic<int> calls{0};
    } record{&host};
    auto worker = [](void *refcon, A_long, A_long i, A_long) -> PF_Err {
        auto *r = static_cast<Record *>(refcon);
        ++r->calls;
        if (i == 3) r->host->requestCancel();
        return PF_Err_NONE;
    };
    EXPECT_EQ(inData()->utils->iterate_generic(PF_Iterations_ONCE_PER_PROCESSOR, &record, worker), PF_Interrupt_CANCEL);
    EXPECT_EQ(record.calls.load(), 4);
    // The request stays until a progress call spends it.
    EXPECT_EQ(inData()->utils->iterate_generic(2, &record, worker), PF_Interrupt_CANCEL);
    EXPECT_EQ(inData()->inter.progress(inData()->effect_ref, 1, 10), PF_Interrupt_CANCEL);
    EXPECT_EQ(inData()->utils->iterate_generic(2, &record, worker), PF_Err_NONE);
}

TEST_F(IterateGeneric, ProgressCancelsOnTheNthCall)
{
    host.failNth(fxhost::Fault::Progress, 2, PF_Interrupt_CANCEL);
    EXPECT_EQ(inData()->inter.progress(inData()->effect_ref, 1, 10), PF_Err_NONE);
    EXPECT_EQ(inData()->inter.progress(inData()->effect_ref, 2, 10), PF_Interrupt_CANCEL);
    EXPECT_EQ(inData()->inter.progress(inData()->effect_ref, 3, 10), PF_Err_NONE);
    host.requestCancel();
    EXPECT_EQ(inData()->inter.progress(inData()->effect_ref, 4, 10), PF_Interrupt_CANCEL);
}

// Frames rendering at once each make their own iterate_generic calls.
TEST_F(IterateGeneric, ConcurrentCallsShareThePoolWithoutOversubscribing)
{
    host.setThreadCount(2);
    host.setConcurrentFrames(3);
    EXPECT_EQ(host.threadCount(), 2);
    constexpr int kCalls = 3, kSlices = 12, kWorkerNumbers = 8;
    struct Record {
        std::atomic<int> running{0}, mostRunning{0};
        std::atomic<int> calls[kCalls][kSlices];
        std::atomic<int> active[kCalls][kWorkerNumbers];
        std::atomic<int> clashes{0};
    } record{};
    struct Call {
        Record *record;
        int call;
    };
    auto worker = [](void *refcon, A_long thread, A_long i, A_long) -> PF_Err {
        const Call &c = *static_cast<Call *>(refcon);
        Record &r = *c.record;
        const int now = ++r.running;
        int most = r.mostRunning.load();
        while (now > most && !r.mostRunning.compare_exchange_weak(most, now)) {
        }
        // Two slices of one call never run under the same worker number at once.
        if (thread < 0 || thread >= kWorkerNumbers || ++r.active[c.call][thread] != 1) ++r.clashes;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (thread >= 0 && thread < kWorkerNumbers) --r.active[c.call][thread];
        ++r.calls[c.call][i];
        --r.running;
        return PF_Err_NONE;
    };
    std::vector<std::thread> frames;
    std::atomic<int> failures{0};
    for (int call = 0; call < kCalls; ++call)
        frames.emplace_back([&, call] {
            Call c{&record, call};
            if (inData()->utils->iterate_generic(kSlices, &c, worker) != PF_Err_NONE) ++failures;
        });
    for (std::thread &frame : frames) frame.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(record.clashes.load(), 0);
    // Three callers and 3 x (2 - 1) workers.
    EXPECT_LE(record.mostRunning.load(), 6);
    for (auto &call : record.calls)
        for (auto &slice : call) EXPECT_EQ(slice.load(), 1);
}

TEST_F(IterateGeneric, ACancelHoldsForEveryFrameRenderingUntilTheLastEnds)
{
    auto slice = [](void *, A_long, A_long, A_long) -> PF_Err { return PF_Err_NONE; };
    host.frameStarted();
    host.frameStarted();
    host.requestCancel();
    EXPECT_EQ(inData()->inter.progress(inData()->effect_ref, 1, 10), PF_Interrupt_CANCEL);
    EXPECT_EQ(inData()->inter.progress(inData()->effect_ref, 1, 10), PF_Interrupt_CANCEL);
    host.frameEnded(true);
    // The other frame still sees the request.
    EXPECT_EQ(inData()->utils->iterate_generic(2, nullptr, slice), PF_Interrupt_CANCEL);
    host.frameEnded(false);
    EXPECT_EQ(inData()->utils->iterate_generic(2, nullptr, slice), PF_Err_NONE);
    EXPECT_EQ(inData()->inter.progress(inData()->effect_ref, 1, 10), PF_Err_NONE);
}

}  // namespace

namespace {

class CallNumbering : public HostTest {
protected:
    const PF_HandleSuite1 *HandleSuite()
    {
        const void *suite = nullptr;
        EXPECT_EQ(basic()->AcquireSuite(kPFHandleSuite, kPFHandleSuiteVersion1, &suite), kSPNoError);
        return static_cast<const PF_HandleSuite1 *>(suite);
    }
};

TEST_F(CallNumbering, RecordsEveryCallByRouteAndSuite)
{
    fxhost::CallLog &log = host.calls();
    log.startRecording();
    const PF_HandleSuite1 *handles = HandleSuite();
    PF_Handle viaSuite = handles->host_new_handle(8);
    PF_Handle viaUtils = inData()->utils->host_new_handle(8);
    handles->host_dispose_handle(viaSuite);
    inData()->utils->host_dispose_handle(viaUtils);
    basic()->ReleaseSuite(kPFHandleSuite, kPFHandleSuiteVersion1);
    EXPECT_EQ(log.callsSoFar(), 6);
    const std::vector<fxhost::RecordedCall> calls = log.stopRecording();
    std::vector<std::string> described;
    for (const fxhost::RecordedCall &call : calls) described.push_back(call.describe());
    EXPECT_EQ(described, (std::vector<std::string>{"AcquireSuite \"PF Handle Suite\" 2",
                                                   "PF_HandleSuite1::host_new_handle", "host_new_handle",
                                                   "PF_HandleSuite1::host_dispose_handle", "host_dispose_handle",
                                                   "ReleaseSuite \"PF Handle Suite\" 2"}));
    EXPECT_FALSE(fxhost::CanFail(calls[3].call));
    EXPECT_TRUE(fxhost::CanFail(calls[1].call));
}

TEST_F(CallNumbering, FailsTheNthCallFromNowAndNoOther)
{
    fxhost::CallLog &log = host.calls();
    log.failCall(3, PF_Err_OUT_OF_MEMORY);
    const PF_HandleSuite1 *handles = HandleSuite();
    PF_Handle first = handles->host_new_handle(8);
    EXPECT_FALSE(log.failed());
    EXPECT_EQ(handles->host_new_handle(8), nullptr);
    EXPECT_TRUE(log.failed());
    PF_Handle third = handles->host_new_handle(8);
    EXPECT_NE(first, nullptr);
    EXPECT_NE(third, nullptr);
    handles->host_dispose_handle(first);
    handles->host_dispose_handle(third);
    basic()->ReleaseSuite(kPFHandleSuite, kPFHandleSuiteVersion1);
}

TEST_F(CallNumbering, ARefusedReleaseStillTakesTheResourceBack)
{
    // The effect cannot retry a release, so the host's error changes nothing
    // but the answer.
    const void *suite = nullptr;
    ASSERT_EQ(basic()->AcquireSuite(kPFWorldSuite, kPFWorldSuiteVersion2, &suite), kSPNoError);
    const auto *worlds = static_cast<const PF_WorldSuite2 *>(suite);
    PF_EffectWorld world{};
    ASSERT_EQ(worlds->PF_NewWorld(inData()->effect_ref, 4, 4, true, PF_PixelFormat_ARGB32, &world), PF_Err_NONE);
    host.calls().failCall(1, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(worlds->PF_DisposeWorld(inData()->effect_ref, &world), PF_Err_INTERNAL_STRUCT_DAMAGED);
    host.calls().failCall(1, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_NE(basic()->ReleaseSuite(kPFWorldSuite, kPFWorldSuiteVersion2), kSPNoError);
    EXPECT_TRUE(host.accounting().balanced()) << host.accounting().describe();
}

}  // namespace
