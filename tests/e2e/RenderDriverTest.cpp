// Whole frames through the render driver: the Base pass and the views.
#include <cstring>
#include <thread>
#include <vector>

#include "AE_EffectCBSuites.h"
#include "ModuleFixture.h"
#include "Pixels.h"

namespace {

constexpr PF_Pixel kKey = {255, 3, 180, 245};

// A cel-style picture at 8 bits: flat fills, a region of the default key
// colour with a slight ramp inside it (so a blur changes it), dark lines and
// a transparent corner.
void DrawCel(fxhost::World &world8)
{
    for (A_long y = 0; y < world8.height(); ++y) {
        for (A_long x = 0; x < world8.width(); ++x) {
            PF_Pixel p = {255, 230, 200, 170};
            if (x >= 4 && x < 20 && y >= 3 && y < 15) p = {255, 3, static_cast<A_u_char>(170 + (x % 5) * 4), 245};
            if (x == 22 || y == 17) p = {255, 30, 20, 30};
            if (x < 3 && y < 3) p = {0, 10, 20, 30};
            world8.at<PF_Pixel8>(x, y) = p;
        }
    }
}

// The same picture at the depth of `format`, converted exactly.
fxhost::World MakeInput(PF_PixelFormat format, A_long width = 28, A_long height = 20)
{
    fxhost::World eight(width, height, PF_PixelFormat_ARGB32);
    DrawCel(eight);
    if (format == PF_PixelFormat_ARGB32) return eight;
    fxhost::World world(width, height, format);
    for (A_long y = 0; y < height; ++y) {
        for (A_long x = 0; x < width; ++x) {
            const PF_Pixel p = eight.at<PF_Pixel8>(x, y);
            if (format == PF_PixelFormat_ARGB64) {
                auto c = [](A_u_char v) { return static_cast<A_u_short>((v * 32768 + 128) / 255); };
                world.at<PF_Pixel16>(x, y) = {c(p.alpha), c(p.red), c(p.green), c(p.blue)};
            } else {
                auto c = [](A_u_char v) { return v / 255.0f; };
                world.at<PF_PixelFloat>(x, y) = {c(p.alpha), c(p.red), c(p.green), c(p.blue)};
            }
        }
    }
    return world;
}

double Alpha(const fxhost::World &world, A_long x, A_long y)
{
    switch (world.format()) {
    case PF_PixelFormat_ARGB32: return world.at<PF_Pixel8>(x, y).alpha;
    case PF_PixelFormat_ARGB64: return world.at<PF_Pixel16>(x, y).alpha;
    default: return world.at<PF_PixelFloat>(x, y).alpha;
    }
}

bool FullyTransparent(const fxhost::World &world)
{
    for (A_long y = 0; y < world.height(); ++y)
        for (A_long x = 0; x < world.width(); ++x)
            if (Alpha(world, x, y) != 0) return false;
    return true;
}

class RenderDriver : public ModuleTest, public ::testing::WithParamInterface<PF_PixelFormat> {
protected:
    void SetUp() override
    {
        ModuleTest::SetUp();
        effect->apply();
        applied = host.accounting();
    }

    fxhost::World Render(const fxhost::World &source, const fxhost::RenderOptions &options = {})
    {
        fxhost::World input = Copy(source);
        fxhost::World output(input.width(), input.height(), input.format());
        fxhost::CommandResult result = effect->render(input, output, options);
        EXPECT_EQ(result.err, PF_Err_NONE) << result.message();
        return output;
    }

    static fxhost::World Copy(const fxhost::World &source)
    {
        fxhost::World copy(source.width(), source.height(), source.format());
        for (A_long y = 0; y < source.height(); ++y)
            std::memcpy(copy.row<uint8_t>(y), source.row<uint8_t>(y), source.width() * source.bytesPerPixel());
        return copy;
    }

    void DisableEverything()
    {
        effect->setValue("Enable 1", 0);
        effect->setValue("1 : Enable Process", 0);
    }

    long SmoothingRuns() const { return host.acquisitions(kPFWorldSuite, kPFWorldSuiteVersion1); }

    fxhost::Accounting applied;
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
