// Whole frames through the process passes: the "Process" groups, their
// views, progress and the way a failing host ends a frame.
#include <vector>

#include "CelRender.h"

namespace {

using namespace cel;

bool Matches(const fxhost::World &input, A_long x, A_long y, const PF_Pixel &colour)
{
    const PF_Pixel8 p = input.at<PF_Pixel8>(x, y);
    return p.red == colour.red && p.green == colour.green && p.blue == colour.blue;
}

class ProcessPass : public RenderTest, public ::testing::WithParamInterface<PF_PixelFormat> {
protected:
    static fxhost::RenderOptions HalfResolution()
    {
        fxhost::RenderOptions half;
        half.downsampleX = half.downsampleY = PF_RationalScale{1, 2};
        return half;
    }

    // Base keys the lines; Process 1 spreads the key colour (the ramp) into
    // them, Process 2 the line colour into the key region.
    void TwoProcesses()
    {
        effect->setColour("Color 1", kLine);
        effect->setValue("1 : Color Range", 10);
        effect->setValue("1 : Keep Division", 0);
        effect->setValue("2 : Enable Process", 1);
        effect->setColour("2 : Color", kLine);
        effect->setValue("2 : Keep Division", 0);
    }

    void View(int view) { effect->setValue("View", view); }
};

TEST_P(ProcessPass, AllEightViewsRender)
{
    TwoProcesses();
    const fxhost::World input = MakeInput(GetParam());
    std::vector<fxhost::World> views;
    for (int view = 1; view <= 8; ++view) {
        View(view);
        views.push_back(Render(input));
    }
    // The separator behaves as "Normal"; the processes change the result.
    EXPECT_TRUE(views[1].samePixels(views[0]));
    effect->setValue("1 : Enable Process", 0);
    effect->setValue("2 : Enable Process", 0);
    View(1);
    EXPECT_FALSE(Render(input).samePixels(views[0]));
    // Each enabled process shows its own result, each disabled one nothing.
    EXPECT_FALSE(FullyTransparent(views[4]));
    EXPECT_FALSE(FullyTransparent(views[5]));
    EXPECT_FALSE(views[4].samePixels(views[5]));
    EXPECT_TRUE(FullyTransparent(views[6]));
    EXPECT_TRUE(FullyTransparent(views[7]));
    // "Extract": every colour of Base and the processes; "Base": the lines.
    const fxhost::World eight = MakeInput(PF_PixelFormat_ARGB32);
    for (A_long y = 0; y < input.height(); ++y)
        for (A_long x = 0; x < input.width(); ++x) {
            const bool line = Matches(eight, x, y, kLine);
            const bool key = x >= 4 && x < 20 && y >= 3 && y < 15;
            EXPECT_EQ(Alpha(views[2], x, y) != 0, line || key) << x << "," << y;
            EXPECT_EQ(Alpha(views[3], x, y) != 0, line) << x << "," << y;
        }
}

TEST_P(ProcessPass, AProcessLaysItsFeatheredColourOverTheLines)
{
    TwoProcesses();
    effect->setValue("2 : Enable Process", 0);
    View(5);
    const fxhost::World input = MakeInput(GetParam());
    const fxhost::World result = Render(input);
    // Keep Division off: the key colour jumps the two fill pixels to the line
    // at x = 22 and fades along it; the fill itself is never written.
    EXPECT_GT(Alpha(result, 22, 8), 0);
    EXPECT_EQ(Alpha(result, 21, 8), 0);
    // The ramp's own pixels stay opaque, the feathering is inside the region.
    EXPECT_EQ(Alpha(result, 10, 8), Alpha(input, 10, 8));
}

TEST_P(ProcessPass, KeepProcessOnTheFirstEnabledProcessChangesNothing)
{
    TwoProcesses();
    effect->setValue("1 : Enable Process", 0);
    const fxhost::World input = MakeInput(GetParam());
    for (int view : {1, 6}) {
        View(view);
        effect->setValue("2 : Keep Process", 1);
        const fxhost::World kept = Render(input);
        effect->setValue("2 : Keep Process", 0);
        EXPECT_TRUE(Render(input).samePixels(kept)) << view;
    }
}

TEST_P(ProcessPass, KeepProcessClearsWhatTheEarlierPassLeftTransparent)
{
    // Base keys the fill. Process 1 spreads the key colour a few pixels into
    // it; Process 2 spreads the line colour further, also where Process 1
    // left nothing.
    effect->setColour("Color 1", kFill);
    effect->setValue("1 : Color Range", 10);
    effect->setValue("1 : Boundary Blur", 3);
    effect->setValue("2 : Enable Process", 1);
    effect->setColour("2 : Color", kLine);
    effect->setValue("2 : Keep Division", 0);
    const fxhost::World input = MakeInput(GetParam());
    const fxhost::World eight = MakeInput(PF_PixelFormat_ARGB32);
    View(5);
    const fxhost::World first = Render(input);
    View(6);
    effect->setValue("2 : Keep Process", 0);
    const fxhost::World free = Render(input);
    effect->setValue("2 : Keep Process", 1);
    const fxhost::World kept = Render(input);
    int cleared = 0;
    for (A_long y = 0; y < input.height(); ++y)
        for (A_long x = 0; x < input.width(); ++x) {
            if (Alpha(first, x, y) != 0 || Matches(eight, x, y, kLine)) continue;
            EXPECT_EQ(Alpha(kept, x, y), 0) << x << "," << y;
            if (Alpha(free, x, y) != 0) ++cleared;
        }
    EXPECT_GT(cleared, 0);
}

TEST_P(ProcessPass, AColourThatMatchesNothingChangesNothing)
{
    effect->setValue("Color 1 Range", 10);
    effect->setColour("1 : Color", {255, 1, 2, 3});
    const fxhost::World input = MakeInput(GetParam());
    const fxhost::World normal = Render(input);
    View(5);
    EXPECT_TRUE(FullyTransparent(Render(input)));
    effect->setValue("1 : Enable Process", 0);
    View(1);
    EXPECT_TRUE(Render(input).samePixels(normal));
}

TEST_P(ProcessPass, BoundaryBlurDecidesSmoothingAndTheRadius)
{
    // Base smoothing off throughout: only the process pass smooths.
    effect->setValue("Blur Amount", 100);
    effect->setValue("1 : Color Range", 10);
    const fxhost::World input = MakeInput(GetParam());
    effect->setValue("1 : Boundary Blur", 30);
    Render(input);
    EXPECT_EQ(SmoothingRuns(), 0);
    effect->setValue("1 : Boundary Blur", 29);
    Render(input);
    EXPECT_EQ(SmoothingRuns(), 1);
    // Boundary Blur 0: no spread, no blur; the view holds the key pixels only.
    effect->setValue("1 : Boundary Blur", 0);
    View(5);
    const fxhost::World copied = Render(input);
    EXPECT_EQ(SmoothingRuns(), 1);
    for (A_long y = 0; y < input.height(); ++y)
        for (A_long x = 0; x < input.width(); ++x) {
            const bool key = x >= 4 && x < 20 && y >= 3 && y < 15;
            EXPECT_EQ(Alpha(copied, x, y), key ? Alpha(input, x, y) : 0) << x << "," << y;
        }

    // At half resolution 59 rounds to 31, less trunc(35 * repeat / 80): 31 for
    // one repeat, 30 (smoothed) for three.
    const fxhost::RenderOptions half = HalfResolution();
    View(1);
    effect->setValue("1 : Boundary Blur", 59);
    effect->setValue("1 : Blur Repeat Num", 1);
    Render(input, half);
    EXPECT_EQ(SmoothingRuns(), 1);
    effect->setValue("1 : Blur Repeat Num", 3);
    Render(input, half);
    EXPECT_EQ(SmoothingRuns(), 2);
}

TEST_P(ProcessPass, HalfResolutionCorrectsTheBoundaryBlur)
{
    TwoProcesses();
    effect->setValue("2 : Enable Process", 0);
    const fxhost::World input = MakeInput(GetParam());
    const fxhost::RenderOptions half = HalfResolution();
    // Half resolution, 10: trunc(5.5) + 1 = 6, less trunc(10 * repeat / 80):
    // 6 for five repeats, 5 for ten. Full resolution reaches the same with 5
    // and 4; Blur Amount 10 at half matches 5 at full.
    for (int repeat : {5, 10}) {
        effect->setValue("1 : Blur Repeat Num", repeat);
        effect->setValue("Blur Amount", 10);
        effect->setValue("1 : Boundary Blur", 10);
        const fxhost::World halved = Render(input, half);
        effect->setValue("Blur Amount", 5);
        effect->setValue("1 : Boundary Blur", repeat == 5 ? 5 : 4);
        EXPECT_TRUE(Render(input).samePixels(halved)) << repeat;
    }
}

TEST_P(ProcessPass, ProgressReachesAHundredPercent)
{
    effect->setValue("1 : Color Range", 10);
    std::vector<A_long> percents;
    fxhost::RenderOptions options;
    options.progress = [&](A_long current, A_long total) { percents.push_back(current * 100 / total); };
    Render(MakeInput(GetParam()), options);
    // The Base pass and Process 1 each advance once, then report after every
    // blur pass (five repeats: six passes) out of a budget of 2 * 16.
    std::vector<A_long> expected(7, 3);
    expected.insert(expected.end(), 7, 6);
    expected.push_back(100);
    EXPECT_EQ(percents, expected);
}

TEST_P(ProcessPass, ACancelDuringAProcessPassEndsTheFrame)
{
    effect->setValue("1 : Color Range", 10);
    const fxhost::World input = MakeInput(GetParam());
    // Call 8 is the process pass's advance, 9 its first blur report, 15 the
    // end of the frame.
    for (int nth : {8, 9, 15}) {
        host.failNth(fxhost::Fault::Progress, nth, PF_Interrupt_CANCEL);
        fxhost::World output(1, 1, GetParam());
        EXPECT_EQ(TryRender(input, &output), PF_Interrupt_CANCEL) << nth;
        EXPECT_EQ(host.accounting(), applied) << host.accounting().describe();
        host.clearFaults();
    }
}

TEST_P(ProcessPass, HostFailuresInThePassEndTheFrameWithTheirCode)
{
    // One flat colour and one worker: the Base key and its match take one
    // colour conversion each, the process key and its match the next two.
    host.setThreadCount(1);
    fxhost::World flat8(16, 12, PF_PixelFormat_ARGB32);
    for (A_long y = 0; y < 12; ++y)
        for (A_long x = 0; x < 16; ++x) flat8.at<PF_Pixel8>(x, y) = kKey;
    const fxhost::World input = AtDepth(flat8, GetParam());
    fxhost::World output(1, 1, GetParam());
    for (int nth : {3, 4}) {
        host.failNth(fxhost::Fault::RGBtoHLS, nth, PF_Err_INTERNAL_STRUCT_DAMAGED);
        EXPECT_EQ(TryRender(input, &output), PF_Err_INTERNAL_STRUCT_DAMAGED) << nth;
        EXPECT_EQ(host.accounting(), applied) << host.accounting().describe();
        host.clearFaults();
    }
    host.failNth(fxhost::Fault::RGBtoHLS, 5, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(TryRender(input, &output), PF_Err_NONE);
    host.clearFaults();

    // The pass is the first to clear worlds.
    host.refuseSuite(kPFFillMatteSuite, kPFFillMatteSuiteVersion2);
    EXPECT_EQ(TryRender(input, &output), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.accounting(), applied) << host.accounting().describe();
    host.clearFaults();
}

TEST_P(ProcessPass, AFailedSmoothingLeavesTheSpreadColourAsItWas)
{
    // The key colour in the top-left pixel only, a block of line colour far
    // away that no spread reaches: its pixels take the top-left spread pixel,
    // the key colour, with alpha 0. Smoothing reads only opaque pixels, so
    // after it the block's colour is 0; when it fails (its edge map world
    // cannot be made) the pass goes on with the spread colour.
    fxhost::World picture(40, 12, PF_PixelFormat_ARGB32);
    for (A_long y = 0; y < 12; ++y)
        for (A_long x = 0; x < 40; ++x) picture.at<PF_Pixel8>(x, y) = x >= 34 && y >= 3 && y < 9 ? kLine : kFill;
    picture.at<PF_Pixel8>(0, 0) = kKey;
    const fxhost::World input = AtDepth(picture, GetParam());
    effect->setColour("Color 1", kLine);
    effect->setValue("Blur Amount", 100);
    View(5);
    const auto red = [](const fxhost::World &world) {
        switch (world.format()) {
            case PF_PixelFormat_ARGB32: return world.at<PF_Pixel8>(36, 5).red / 255.0;
            case PF_PixelFormat_ARGB64: return world.at<PF_Pixel16>(36, 5).red / 32768.0;
            default: return double(world.at<PF_PixelFloat>(36, 5).red);
        }
    };
    const fxhost::World smoothed = Render(input);
    EXPECT_EQ(SmoothingRuns(), 1);
    EXPECT_EQ(Alpha(smoothed, 36, 5), 0);
    EXPECT_EQ(red(smoothed), 0);
    // The working set makes 10 worlds for 8-bit input, 8 otherwise.
    host.failNth(fxhost::Fault::NewWorld, GetParam() == PF_PixelFormat_ARGB32 ? 11 : 9, PF_Err_OUT_OF_MEMORY);
    const fxhost::World unsmoothed = Render(input);
    EXPECT_EQ(Alpha(unsmoothed, 36, 5), 0);
    EXPECT_NEAR(red(unsmoothed), kKey.red / 255.0, 1e-4);
    EXPECT_EQ(host.accounting(), applied) << host.accounting().describe();
}

TEST_P(ProcessPass, EveryFailedAllocationOrWorldHandsEverythingBack)
{
    // Each memory block and world of the frame in turn: the frame either
    // fails with out-of-memory or, where only edge smoothing is hit, goes on;
    // nothing is ever left behind.
    host.setThreadCount(1);
    effect->setValue("1 : Color Range", 10);
    effect->setValue("1 : Keep Division", 0);
    const fxhost::World input = MakeInput(GetParam());
    fxhost::World output(1, 1, GetParam());
    for (fxhost::Fault fault : {fxhost::Fault::HandleAllocation, fxhost::Fault::NewWorld}) {
        int lastFailure = 0;
        for (int nth = 1; nth <= 60; ++nth) {
            host.failNth(fault, nth, PF_Err_OUT_OF_MEMORY);
            const PF_Err err = TryRender(input, &output);
            EXPECT_TRUE(err == PF_Err_NONE || err == PF_Err_OUT_OF_MEMORY) << nth << ": " << err;
            if (err != PF_Err_NONE) lastFailure = nth;
            EXPECT_EQ(host.accounting(), applied) << nth << ": " << host.accounting().describe();
            host.clearFaults();
        }
        // Memory: 9 masks and the Base key match come first, the rest is
        // the process pass's. Worlds: only the working set's end the frame;
        // those of edge smoothing, Base or process, do not.
        if (fault == fxhost::Fault::HandleAllocation)
            EXPECT_GT(lastFailure, 10);
        else
            EXPECT_EQ(lastFailure, GetParam() == PF_PixelFormat_ARGB32 ? 10 : 8);
        EXPECT_LT(lastFailure, 60);
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, ProcessPass,
                         ::testing::Values(PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128));

}  // namespace
