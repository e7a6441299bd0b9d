// Whole frames through the render driver: the Base pass and the views.
#include <cstring>
#include <thread>
#include <vector>

#include "CelRender.h"

namespace {

using namespace cel;

class RenderDriver : public RenderTest, public ::testing::WithParamInterface<PF_PixelFormat> {
protected:
    void DisableEverything()
    {
        effect->setValue("Enable 1", 0);
        effect->setValue("1 : Enable Process", 0);
    }
};

TEST_P(RenderDriver, WithNothingEnabledNormalReturnsTheInput)
{
    DisableEverything();
    const fxhost::World input = MakeInput(GetParam());
    EXPECT_TRUE(Render(input).samePixels(input));
    EXPECT_EQ(host.accounting(), applied) << host.accounting().describe();
}

TEST_P(RenderDriver, WithNothingEnabledEveryOtherViewIsTransparent)
{
    DisableEverything();
    const fxhost::World input = MakeInput(GetParam());
    for (double view : {3, 4, 5, 8}) {
        effect->setValue("View", view);
        EXPECT_TRUE(FullyTransparent(Render(input))) << "view " << view;
    }
}

TEST_P(RenderDriver, BaseBlurChangesOnlyTheKeyRegion)
{
    effect->setValue("Color 1 Range", 10);
    const fxhost::World input = MakeInput(GetParam());
    const fxhost::World output = Render(input);
    EXPECT_FALSE(output.samePixels(input));
    fxhost::World outside = Copy(output);
    // Put the key region back; everything else must be untouched.
    for (A_long y = 3; y < 15; ++y)
        for (A_long x = 4; x < 20; ++x)
            std::memcpy(outside.row<uint8_t>(y) + x * input.bytesPerPixel(), input.row<uint8_t>(y) + x * input.bytesPerPixel(),
                        input.bytesPerPixel());
    EXPECT_TRUE(outside.samePixels(input));
}

TEST_P(RenderDriver, ExtractAndBaseViewsKeepOnlyTheKeyedPixels)
{
    effect->setValue("Color 1 Range", 10);
    const fxhost::World input = MakeInput(GetParam());
    for (double view : {3, 4}) {
        effect->setValue("View", view);
        const fxhost::World output = Render(input);
        for (A_long y = 0; y < input.height(); ++y)
            for (A_long x = 0; x < input.width(); ++x) {
                const bool key = x >= 4 && x < 20 && y >= 3 && y < 15;
                EXPECT_EQ(Alpha(output, x, y) != 0, key) << x << "," << y << " view " << view;
            }
    }
}

TEST_P(RenderDriver, BlurAmountDecidesBlurAndSmoothing)
{
    effect->setValue("Color 1 Range", 10);
    effect->setValue("1 : Enable Process", 0);
    const fxhost::World input = MakeInput(GetParam());
    effect->setValue("Blur Amount", 0);
    EXPECT_TRUE(Render(input).samePixels(input));
    EXPECT_EQ(SmoothingRuns(), 0);

    effect->setValue("Blur Amount", 15);
    Render(input);
    EXPECT_EQ(SmoothingRuns(), 0);
    effect->setValue("Blur Amount", 14);
    Render(input);
    EXPECT_EQ(SmoothingRuns(), 1);

    fxhost::RenderOptions half;
    half.downsampleX = half.downsampleY = PF_RationalScale{1, 2};
    effect->setValue("Blur Amount", 29);
    Render(input, half);
    EXPECT_EQ(SmoothingRuns(), 1);
    effect->setValue("Blur Amount", 28);
    Render(input, half);
    EXPECT_EQ(SmoothingRuns(), 2);
}

TEST_P(RenderDriver, ThreadCountAndConcurrentFramesDoNotChangeTheResult)
{
    effect->setValue("Color 1 Range", 10);
    effect->setValue("Keep Division", 0);
    const fxhost::World input = MakeInput(GetParam(), 61, 47);
    host.setThreadCount(1);
    const fxhost::World single = Render(input);
    host.setThreadCount(2);
    EXPECT_TRUE(Render(input).samePixels(single));

    std::vector<fxhost::World> inputs, outputs;
    for (int i = 0; i < 3; ++i) {
        inputs.push_back(Copy(input));
        outputs.emplace_back(input.width(), input.height(), input.format());
    }
    std::vector<std::thread> threads;
    std::vector<PF_Err> results(3, PF_Err_NONE);
    for (int i = 0; i < 3; ++i)
        threads.emplace_back([&, i] { results[i] = effect->render(inputs[i], outputs[i]).err; });
    for (std::thread &thread : threads) thread.join();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(results[i], PF_Err_NONE);
        EXPECT_TRUE(outputs[i].samePixels(single)) << i;
    }
    EXPECT_EQ(host.accounting(), applied) << host.accounting().describe();
}

TEST_P(RenderDriver, FailedFramesHandEverythingBack)
{
    const fxhost::World input = MakeInput(GetParam());
    struct Injection {
        fxhost::Fault fault;
        int nth;
        PF_Err expected;
    };
    for (const Injection &injection : {Injection{fxhost::Fault::Progress, 1, PF_Interrupt_CANCEL},
                                       Injection{fxhost::Fault::Progress, 2, PF_Interrupt_CANCEL},
                                       Injection{fxhost::Fault::RGBtoHLS, 1, PF_Err_OUT_OF_MEMORY},
                                       Injection{fxhost::Fault::NewWorld, 3, PF_Err_OUT_OF_MEMORY},
                                       Injection{fxhost::Fault::HandleAllocation, 5, PF_Err_OUT_OF_MEMORY}}) {
        host.failNth(injection.fault, injection.nth, injection.expected);
        fxhost::World in = Copy(input), out(input.width(), input.height(), input.format());
        EXPECT_EQ(effect->render(in, out).err, injection.expected) << static_cast<int>(injection.fault);
        EXPECT_EQ(host.accounting(), applied) << host.accounting().describe();
        host.clearFaults();
    }
    for (const char *suite : {kPFHandleSuite, kPFWorldTransformSuite}) {
        host.refuseSuite(suite, suite == std::string(kPFHandleSuite) ? 2 : 1);
        fxhost::World in = Copy(input), out(input.width(), input.height(), input.format());
        EXPECT_EQ(effect->render(in, out).err, PF_Err_BAD_CALLBACK_PARAM) << suite;
        EXPECT_EQ(host.accounting(), applied) << host.accounting().describe();
        host.clearFaults();
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, RenderDriver,
                         ::testing::Values(PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128));

}  // namespace
