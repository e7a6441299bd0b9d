// SmoothEdges16 and SmoothEdgesFloat on small painted worlds. Expected
// pixels follow the rules by hand; the weights are noted where they arise.
#include <gtest/gtest.h>

#include "AE_EffectCBSuites.h"
#include "HostFixture.h"
#include "PaintedWorld.h"
#include "kernels/EdgeSmoothing.h"

namespace {

using painted::Grey16;
using painted::Paint16;
using painted::PaintFloat;
using painted::Pixels16;

// White and black, opaque: a blend of one towards the other with weight a
// gives (a + 1) / 2 (black towards white) or (65536 - a) / 2 (white towards
// black), rounded down.
const std::map<char, PF_Pixel16> kWhiteBlack = {{'A', Grey16(32768)}, {'B', Grey16(0)}};

class EdgeSmoothingTest : public HostTest {
protected:
    PF_Err Smooth16(fxhost::World &source, fxhost::World &destination)
    {
        return SmoothEdges16(
            SmoothingJob::ForRenderDriver(inData(), PF_PixelFormat_ARGB64, source.get(), destination.get()));
    }
    PF_Err SmoothFloat(fxhost::World &source, fxhost::World &destination)
    {
        return SmoothEdgesFloat(
            SmoothingJob::ForRenderDriver(inData(), PF_PixelFormat_ARGB128, source.get(), destination.get()));
    }

    // The destination after smoothing source into it.
    std::vector<std::vector<PF_Pixel16>> Smoothed16(fxhost::World &source)
    {
        fxhost::World destination(source.width(), source.height(), PF_PixelFormat_ARGB64);
        EXPECT_EQ(Smooth16(source, destination), PF_Err_NONE);
        return Pixels16(destination);
    }

    static void ExpectFloatPixel(const PF_PixelFloat &p, float alpha, float red, float green, float blue)
    {
        EXPECT_FLOAT_EQ(p.alpha, alpha);
        EXPECT_FLOAT_EQ(p.red, red);
        EXPECT_FLOAT_EQ(p.green, green);
        EXPECT_FLOAT_EQ(p.blue, blue);
    }
};

TEST_F(EdgeSmoothingTest, StrengthZeroIsAPlainCopy)
{
    fxhost::World source = Paint16({"AAB", "ABB", "BBA"}, kWhiteBlack);
    fxhost::World destination = Paint16({"BBB", "BBB", "BBB"}, kWhiteBlack);
    SmoothingJob job =
        SmoothingJob::ForRenderDriver(inData(), PF_PixelFormat_ARGB64, source.get(), destination.get());
    job.strength = 0;
    EXPECT_EQ(SmoothEdges16(job), PF_Err_NONE);
    EXPECT_TRUE(destination.samePixels(source));
    EXPECT_EQ(host.acquisitions(kPFWorldSuite, kPFWorldSuiteVersion1), 0);
}

TEST_F(EdgeSmoothingTest, FlatAndTransparentAreasAreUnchanged)
{
    fxhost::World uniform = Paint16({"CCCCC", "CCCCC", "CCCCC", "CCCCC"}, {{'C', {30000, 1000, 20000, 300}}});
    EXPECT_EQ(Smoothed16(uniform), Pixels16(uniform));
    // Transparent pixels never differ, whatever their colour channels hold.
    fxhost::World clear = Paint16({"PQPQ", "QPQP", "PQPQ"}, {{'P', {0, 32768, 0, 0}}, {'Q', {0, 0, 0, 32768}}});
    EXPECT_EQ(Smoothed16(clear), Pixels16(clear));

    fxhost::World uniformFloat = PaintFloat({"CCCC", "CCCC"}, {{'C', {0.5f, 0.25f, 1, 0}}});
    fxhost::World destination(4, 2, PF_PixelFormat_ARGB128);
    EXPECT_EQ(SmoothFloat(uniformFloat, destination), PF_Err_NONE);
    EXPECT_TRUE(destination.samePixels(uniformFloat));
}

// Neither the step measures nor the one-sided lengths find a step around a
// lone pixel, so the only change is its mix with its four neighbours:
// (c0 + 4 H cn) / (1 + 4 H) + 0.5, truncated, with H = 11468 / 65535.
TEST_F(EdgeSmoothingTest, IsolatedPixelTakesItsNeighboursWithWeightH)
{
    const PF_Pixel16 a{32768, 32768, 16384, 0}, b{32768, 0, 32768, 8192};
    fxhost::World source = Paint16({"AAAAA", "AAAAA", "AABAA", "AAAAA", "AAAAA"}, {{'A', a}, {'B', b}});
    auto expected = Pixels16(source);
    expected[2][2] = {32768, 13492, 26022, 4819};
    EXPECT_EQ(Smoothed16(source), expected);
}

TEST_F(EdgeSmoothingTest, IsolatedFloatPixelTakesItsNeighboursWithWeight0175)
{
    // (c0 + 0.7 cn) / 1.7 per channel; alpha (1 + 0.7) / 1.7.
    fxhost::World source = PaintFloat({"AAAAA", "AAAAA", "AABAA", "AAAAA", "AAAAA"},
                                      {{'A', {1, 1, 0.5f, 0}}, {'B', {1, 0, 1, 0.25f}}});
    fxhost::World destination(5, 5, PF_PixelFormat_ARGB128);
    EXPECT_EQ(SmoothFloat(source, destination), PF_Err_NONE);
    ExpectFloatPixel(destination.at<PF_PixelFloat>(2, 2), 1, 0.7f / 1.7f, 1.35f / 1.7f, 0.25f / 1.7f);
    ExpectFloatPixel(destination.at<PF_PixelFloat>(1, 2), 1, 1, 0.5f, 0);
    ExpectFloatPixel(destination.at<PF_PixelFloat>(2, 1), 1, 1, 0.5f, 0);
}

// At the border only the three neighbours inside the world count:
// (c0 + 3 H cn) / (1 + 3 H) + 0.5, and alpha stays whole.
TEST_F(EdgeSmoothingTest, IsolatedPixelAtTheBorderCountsNeighboursInsideTheWorld)
{
    const PF_Pixel16 a{32768, 32768, 16384, 0}, b{32768, 0, 32768, 8192};
    fxhost::World source = Paint16({"AAA", "AAA", "BAA", "AAA", "AAA"}, {{'A', a}, {'B', b}});
    auto expected = Pixels16(source);
    expected[2][0] = {32768, 11280, 27128, 5372};
    EXPECT_EQ(Smoothed16(source), expected);
}

// An L of three B pixels: its top (1, 1) and its corner (2, 2) are each
// isolated with the other B pixel as a neighbour that does not differ; all
// four neighbours inside the world count, B included.
TEST_F(EdgeSmoothingTest, IsolatedPixelMixesAllNeighboursDifferingOrNot)
{
    const PF_Pixel16 a{32768, 32768, 16384, 0}, b{32768, 0, 32768, 8192};
    fxhost::World source = Paint16({"AAAAA", "ABAAA", "ABBAA", "AAAAA", "AAAAA"}, {{'A', a}, {'B', b}});
    auto expected = Pixels16(source);
    // (1, 1): the lower part at (1, 0) measures a one-pixel step on both ends
    // (coverage 50, step 32767, one pixel with weight 32767^2 / 65534 =
    // 16383) towards A, then the gap blend (6553) towards A, then the mix
    // with A, A, A, B.
    expected[1][1] = {32768, 16383, 24576, 4096};
    // (2, 1): the gap blend at (1, 1) towards source (1, 1).
    expected[1][2] = {32768, 29491, 18022, 819};
    // (1, 2): two one-pixel ramps (16383 each) towards A, from the right part
    // at (0, 2) and the upper part at (1, 2).
    expected[2][1] = {32768, 14336, 25600, 4608};
    // (2, 2): a one-pixel ramp (16383) towards A, then the mix with B, A, A, A.
    expected[2][2] = {32768, 14938, 25299, 4457};
    EXPECT_EQ(Smoothed16(source), expected);
}

// A one-pixel step between two long runs: half ramps on both sides.
TEST_F(EdgeSmoothingTest, StraightStepGetsHalfRamps)
{
    fxhost::World source = Paint16({"AAAAAAAA", "BBBBAAAA", "BBBBBBBB"}, kWhiteBlack);
    auto expected = Pixels16(source);
    // Left: StepLeft(3, 1) = 3 (open at the world's edge), coverage 70, step
    // 3276700 / 280 = 11702: weights 26916, 15214, then 9363^2 / 23404 = 3745.
    expected[1][3] = Grey16(13458);
    expected[1][2] = Grey16(7607);
    expected[1][1] = Grey16(1873);
    // Right: StepRight(3, 1) = 4, step 3276700 / 350 = 9362: weights 28086,
    // 18724, 9362, then 4681^2 / 18724 = 1170.
    expected[1][4] = Grey16(18725);
    expected[1][5] = Grey16(23406);
    expected[1][6] = Grey16(28087);
    expected[1][7] = Grey16(32183);
    EXPECT_EQ(Smoothed16(source), expected);
}

// A 45-degree staircase with one two-pixel step at rows 3 and 4: from that
// step's boundary the diagonal walks run up-right and down-left along the
// one-pixel steps (j = 2, h = 3276700 / 210 = 15603: weights 14043, then
// 6241^2 / 31206 = 1248; the upward walk's restores 24966 and 9363). The
// other steps only get gap blends (6553) and short half ramps.
TEST_F(EdgeSmoothingTest, StaircaseTakesTheDiagonalWalks)
{
    fxhost::World source = Paint16({"AAAAAAAB",   //
                                    "AAAAAABB",   //
                                    "AAAAABBB",   //
                                    "AAAABBBB",   //
                                    "AAAABBBB",   //
                                    "AAABBBBB",   //
                                    "AABBBBBB",   //
                                    "ABBBBBBB"},  //
                                   kWhiteBlack);
    auto expected = Pixels16(source);
    const auto set = [&](A_long x, A_long y, A_u_short v) { expected[y][x] = Grey16(v); };
    // Gap blends at (6, 0), (5, 1), (4, 2), (2, 5), (1, 6), (0, 7).
    set(7, 0, 3277);
    set(6, 0, 29491);
    set(6, 1, 3277);
    set(5, 1, 29959);  // gap, then the up-right walk's restore 9363
    set(5, 2, 3839);   // gap, then the up-right walk's 1248 towards A
    set(4, 2, 30739);  // gap, then the up-right walk's restore 24966
    // (4, 3): the lower ramp at (4, 2) (one-pixel step: 21065), then the
    // up-right walk's 14043 towards A; (4, 4) the ramp's 9362^2 / 46810 = 1872.
    set(4, 3, 15297);
    set(4, 4, 936);
    // (3, 4): the down-left walk's 14043 towards B, then the upper ramp at
    // (3, 4): 21065; (3, 3) that ramp's 1872.
    set(3, 4, 17470);
    set(3, 3, 31832);
    set(2, 5, 28929);  // the down-left walk's 1248, then the gap blend
    set(3, 5, 3277);
    set(2, 6, 3277);
    set(1, 6, 29491);
    set(1, 7, 12756);  // the lower ramp at (1, 6) (21065), then the gap blend at (0, 7)
    set(0, 7, 29491);
    EXPECT_EQ(Smoothed16(source), expected);
}

// A one-pixel line four long: both ends measure it at 3 and run full ramps
// with step 2 * 3276700 / 280 = 23405 (not 2 * 11702): weights 53833,
// 30428 and 18725^2 / 46810 = 7490.
TEST_F(EdgeSmoothingTest, OnePixelLineGetsFullRampsFromBothEnds)
{
    fxhost::World source = Paint16({"AAAAAAAA", "AABBBBAA", "AAAAAAAA"}, kWhiteBlack);
    auto expected = Pixels16(source);
    expected[1][2] = Grey16(26917);
    expected[1][5] = Grey16(26917);
    // 7490 from one end on top of 30428 from the other.
    expected[1][3] = Grey16(17220);
    expected[1][4] = Grey16(17220);
    EXPECT_EQ(Smoothed16(source), expected);
}

// At strength 1 the full ramp's step 6553400 / 4 exceeds its level 65535,
// so the first pixel is the last, with 65535^2 / 3276700 = 1310: a square
// that overflows 32 bits.
TEST_F(EdgeSmoothingTest, FullRampAtLowStrengthKeepsItsLastWeight)
{
    fxhost::World source = Paint16({"AAAAAAAA", "AABBBBAA", "AAAAAAAA"}, kWhiteBlack);
    fxhost::World destination(8, 3, PF_PixelFormat_ARGB64);
    SmoothingJob job =
        SmoothingJob::ForRenderDriver(inData(), PF_PixelFormat_ARGB64, source.get(), destination.get());
    job.strength = 1;
    EXPECT_EQ(SmoothEdges16(job), PF_Err_NONE);
    auto expected = Pixels16(source);
    expected[1][2] = Grey16(655);
    expected[1][5] = Grey16(655);
    EXPECT_EQ(Pixels16(destination), expected);
}

// At strength 400 the up-right walk from the two-pixel step (j = 3,
// h = 3276700 / 1600 = 2047) would blend eleven pixels, running past the
// right edge at row 2; it stops at the edge and the row ends stay as they are.
TEST_F(EdgeSmoothingTest, DiagonalWalkStopsAtTheWorldsEdge)
{
    fxhost::World source = Paint16({"AAAAAAAA", "AAAAAAAA", "AAAAAAAA", "AAAAAAAB", "AAAAAABB", "AAAAABBB",
                                    "AAAABBBB", "AAAABBBB", "AAABBBBB", "AABBBBBB", "ABBBBBBB"},
                                   kWhiteBlack);
    fxhost::World destination(8, 11, PF_PixelFormat_ARGB64);
    const PF_Pixel16 sentinel{1, 2, 3, 4};
    for (A_long y = 0; y < 11; ++y)
        for (A_long x = 8; x < 11; ++x) destination.row<PF_Pixel16>(y)[x] = sentinel;
    SmoothingJob job =
        SmoothingJob::ForRenderDriver(inData(), PF_PixelFormat_ARGB64, source.get(), destination.get());
    job.strength = 400;
    EXPECT_EQ(SmoothEdges16(job), PF_Err_NONE);
    for (A_long y = 0; y < 11; ++y)
        for (A_long x = 8; x < 11; ++x) EXPECT_EQ(destination.row<PF_Pixel16>(y)[x], sentinel) << x << ", " << y;
}

TEST_F(EdgeSmoothingTest, SizeMismatchWritesNothing)
{
    fxhost::World source = Paint16({"AB", "BA"}, kWhiteBlack);
    fxhost::World wider = Paint16({"BBB", "BBB"}, kWhiteBlack);
    const auto before = Pixels16(wider);
    EXPECT_EQ(Smooth16(source, wider), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(Pixels16(wider), before);

    fxhost::World sourceFloat(2, 3, PF_PixelFormat_ARGB128);
    fxhost::World taller(2, 4, PF_PixelFormat_ARGB128);
    taller.at<PF_PixelFloat>(1, 3) = {1, 0.5f, 0.5f, 0.5f};
    EXPECT_EQ(SmoothFloat(sourceFloat, taller), PF_Err_BAD_CALLBACK_PARAM);
    ExpectFloatPixel(taller.at<PF_PixelFloat>(1, 3), 1, 0.5f, 0.5f, 0.5f);
}

TEST_F(EdgeSmoothingTest, RefusedWorldSuiteThrowsAndLeaksNothing)
{
    host.refuseSuite(kPFWorldSuite, kPFWorldSuiteVersion1);
    fxhost::World source = Paint16({"AB", "BA"}, kWhiteBlack);
    fxhost::World destination(2, 2, PF_PixelFormat_ARGB64);
    try {
        Smooth16(source, destination);
        ADD_FAILURE() << "no exception";
    } catch (PF_Err err) {
        EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
    }
    // The copy came first.
    EXPECT_TRUE(destination.samePixels(source));
}

TEST_F(EdgeSmoothingTest, EdgeMapFailureIsReturnedAfterTheCopy)
{
    host.failNth(fxhost::Fault::NewWorld, 1, PF_Err_OUT_OF_MEMORY);
    fxhost::World source = Paint16({"AB", "BA"}, kWhiteBlack);
    fxhost::World destination(2, 2, PF_PixelFormat_ARGB64);
    EXPECT_EQ(Smooth16(source, destination), PF_Err_OUT_OF_MEMORY);
    EXPECT_TRUE(destination.samePixels(source));
}

TEST_F(EdgeSmoothingTest, CopyFailureEndsTheOperation)
{
    // The host copies only between worlds of one format.
    fxhost::World source = Paint16({"AB", "BA"}, kWhiteBlack);
    fxhost::World destination(2, 2, PF_PixelFormat_ARGB128);
    EXPECT_EQ(Smooth16(source, destination), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.acquisitions(kPFWorldSuite, kPFWorldSuiteVersion1), 0);
}

}  // namespace
