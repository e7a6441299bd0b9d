// Properties that hold for every picture: the two depths agree, and no
// blend reaches outside the world.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "HostFixture.h"
#include "PaintedWorld.h"
#include "kernels/EdgeSmoothing.h"

namespace {

// Cel colours whose neighbours all differ by far more than the threshold.
const PF_Pixel16 kCelColours[] = {
    {0, 0, 0, 0},                  // transparent background
    {32768, 2000, 1500, 3000},     // outline
    {32768, 30000, 12000, 8000},   // skin
    {32768, 6000, 26000, 20000},   // cloth
    {16384, 20000, 20000, 4000},   // half-transparent shadow
};

// A small cel: a disc with an outline, a slanted band and a shadow.
fxhost::World CelArtwork16(A_long width, A_long height)
{
    fxhost::World world(width, height, PF_PixelFormat_ARGB64);
    for (A_long y = 0; y < height; ++y)
        for (A_long x = 0; x < width; ++x) {
            const double dx = x - width * 0.4, dy = y - height * 0.45, r = std::sqrt(dx * dx + dy * dy);
            int colour = 0;
            if (2 * x + 3 * y > 2 * width && 2 * x + 3 * y < 2 * width + 9) colour = 3;
            if (x > width * 0.6 && y > height * 0.6) colour = 4;
            if (r < height * 0.35) colour = 2;
            if (r >= height * 0.35 && r < height * 0.35 + 1.2) colour = 1;
            world.at<PF_Pixel16>(x, y) = kCelColours[colour];
        }
    return world;
}

fxhost::World ToFloat(const fxhost::World &world)
{
    fxhost::World result(world.width(), world.height(), PF_PixelFormat_ARGB128);
    for (A_long y = 0; y < world.height(); ++y)
        for (A_long x = 0; x < world.width(); ++x) {
            const PF_Pixel16 &p = world.at<PF_Pixel16>(x, y);
            result.at<PF_PixelFloat>(x, y) = {p.alpha / 32768.0f, p.red / 32768.0f, p.green / 32768.0f,
                                              p.blue / 32768.0f};
        }
    return result;
}

class SmoothingDepthsTest : public HostTest {
protected:
    PF_Err Smooth(fxhost::World &source, fxhost::World &destination, A_long strength = 70)
    {
        SmoothingJob job = SmoothingJob::ForRenderDriver(inData(), source.format(), source.get(), destination.get());
        job.strength = strength;
        return source.format() == PF_PixelFormat_ARGB64 ? SmoothEdges16(job) : SmoothEdgesFloat(job);
    }
};

TEST_F(SmoothingDepthsTest, SixteenBitAndFloatGiveNearlyTheSamePicture)
{
    fxhost::World source = CelArtwork16(40, 32);
    fxhost::World sourceFloat = ToFloat(source);
    fxhost::World smoothed(40, 32, PF_PixelFormat_ARGB64);
    fxhost::World smoothedFloat(40, 32, PF_PixelFormat_ARGB128);
    ASSERT_EQ(Smooth(source, smoothed), PF_Err_NONE);
    ASSERT_EQ(Smooth(sourceFloat, smoothedFloat), PF_Err_NONE);

    // Both depths find the same boundaries and make the same blends. A
    // 16-bit blend rounds to half a channel step, and its integer weights
    // stray from the float ones by about 1 / 65535 of full scale, plus the
    // truncated ramp steps (3276700 div ... against 50 / ...), under a
    // thousandth of a weight for ramps this short. A pixel takes a handful
    // of blends, so a few 16-bit steps cover it.
    constexpr double kTolerance = 4;
    int changed = 0;
    for (A_long y = 0; y < source.height(); ++y)
        for (A_long x = 0; x < source.width(); ++x) {
            const PF_Pixel16 &p = smoothed.at<PF_Pixel16>(x, y);
            const PF_PixelFloat &f = smoothedFloat.at<PF_PixelFloat>(x, y);
            changed += !(p == source.at<PF_Pixel16>(x, y));
            EXPECT_NEAR(f.alpha * 32768.0, p.alpha, kTolerance) << x << ", " << y;
            EXPECT_NEAR(f.red * 32768.0, p.red, kTolerance) << x << ", " << y;
            EXPECT_NEAR(f.green * 32768.0, p.green, kTolerance) << x << ", " << y;
            EXPECT_NEAR(f.blue * 32768.0, p.blue, kTolerance) << x << ", " << y;
        }
    EXPECT_GT(changed, 200);
}

// Random pictures of every small size, in many colours and alphas so that
// every rule fires somewhere; the row ends beyond the world's width carry
// a pattern that no write may touch. Strengths far from the render
// driver's make ramps and walks outlast the steps they measured.
TEST_F(SmoothingDepthsTest, NothingIsWrittenOutsideTheWorld)
{
    std::mt19937 random(5);
    std::uniform_int_distribution<int> pick(0, 4);
    const PF_Pixel16 sentinel16{1, 2, 3, 4};
    const PF_PixelFloat sentinelFloat{-1, -2, -3, -4};
    for (A_long height = 1; height <= 9; ++height)
        for (A_long width = 1; width <= 9; ++width)
            for (A_long strength : {70, 70, 1, 400}) {
                fxhost::World source(width, height, PF_PixelFormat_ARGB64);
                for (A_long y = 0; y < height; ++y)
                    for (A_long x = 0; x < width; ++x) source.at<PF_Pixel16>(x, y) = kCelColours[pick(random)];
                fxhost::World sourceFloat = ToFloat(source);
                fxhost::World destination(width, height, PF_PixelFormat_ARGB64);
                fxhost::World destinationFloat(width, height, PF_PixelFormat_ARGB128);
                // Each row has three pixels of slack after its end.
                for (A_long y = 0; y < height; ++y)
                    for (A_long x = width; x < width + 3; ++x) {
                        destination.row<PF_Pixel16>(y)[x] = sentinel16;
                        destinationFloat.row<PF_PixelFloat>(y)[x] = sentinelFloat;
                    }
                ASSERT_EQ(Smooth(source, destination, strength), PF_Err_NONE);
                ASSERT_EQ(Smooth(sourceFloat, destinationFloat, strength), PF_Err_NONE);
                for (A_long y = 0; y < height; ++y)
                    for (A_long x = width; x < width + 3; ++x) {
                        ASSERT_TRUE(destination.row<PF_Pixel16>(y)[x] == sentinel16) << width << "x" << height;
                        ASSERT_EQ(destinationFloat.row<PF_PixelFloat>(y)[x].red, -2) << width << "x" << height;
                    }
            }
}

}  // namespace
