#include <gtest/gtest.h>

#include "EdgeMapFixture.h"
#include "PaintedWorld.h"
#include "kernels/EdgePatterns.h"
#include "kernels/SmoothingDepth.h"
#include "kernels/StepMeasures.h"

namespace {

using painted::Paint16;

const std::map<char, PF_Pixel16> kTwoTones = {{'A', painted::Grey16(32768)}, {'B', painted::Grey16(0)}};

class StepMeasuresTest : public EdgeMapFixture {};

TEST_F(StepMeasuresTest, StepRightIsZeroBesideAOnePixelColumn)
{
    // (1, 1) is one pixel wide: no run starts right of the boundary at
    // (0, 1), although the row below it and the cells right of it would
    // count four for the second run. Widening it makes that run count.
    const std::map<char, PF_Pixel16> palette = {{'Z', painted::Grey16(32768)},
                                                {'A', painted::Grey16(0)},
                                                {'B', {32768, 0, 32768, 0}},
                                                {'C', {32768, 32768, 0, 0}}};
    EXPECT_EQ(StepRight(MapOf(Paint16({"ZZZZZ", "ABCCC", "AAAAA"}, palette)), 0, 1), 0);
    EXPECT_EQ(StepRight(MapOf(Paint16({"ZZZZZ", "ACCCC", "AAAAA"}, palette)), 0, 1), 4);
}

TEST_F(StepMeasuresTest, BothEndsOfAOnePixelLineMeasureTheSame)
{
    // Line B from column 2 to 5: measured from either end it counts 3.
    const EdgeMap &row = MapOf(Paint16({"AAAAAAAA", "AABBBBAA", "AAAAAAAA"}, kTwoTones));
    EXPECT_EQ(OneSidedRight(row, 1, 1), 3);
    EXPECT_EQ(OneSidedLeft(row, 5, 1), 3);

    const EdgeMap &column =
        MapOf(Paint16({"AAA", "AAA", "ABA", "ABA", "ABA", "ABA", "AAA", "AAA"}, kTwoTones));
    EXPECT_EQ(OneSidedDown(column, 1, 1), 3);
    EXPECT_EQ(OneSidedUp(column, 1, 5), 3);
}

TEST_F(StepMeasuresTest, LongOneSidedLinesAreCompressed)
{
    // Eleven pixels: from the left end the line counts 10, compressed to
    // ((10 - 5) >> 1) + 5 = 7.
    const EdgeMap &map = MapOf(Paint16({"AAAAAAAAAAAAA", "ABBBBBBBBBBBA", "AAAAAAAAAAAAA"}, kTwoTones));
    EXPECT_EQ(OneSidedRight(map, 0, 1), 7);
}

TEST_F(StepMeasuresTest, TwoByTwoNotchIsAOneStepCorner)
{
    const EdgeMap &map = MapOf(Paint16({"AAAAAA", "AABBAA", "AABBAA", "AAAAAA"}, kTwoTones));
    // Pivot (2, 1): the square's top-left pixel.
    EXPECT_TRUE(OneStepCorner(map, StepKind::Up, 2, 2));
    EXPECT_FALSE(OneStepCorner(map, StepKind::Up, 1, 2));
    EXPECT_EQ(StepCoverage(map, StepKind::Up, 1, 1, 2, 2, 70), 7);   // 70 * 10 / 100
    EXPECT_EQ(StepCoverage(map, StepKind::Up, 1, 1, 1, 2, 70), 25);  // beside it: 70 * 36 / 100
}

TEST(StepCoverageTest, FollowsTheLineAcrossTheStep)
{
    A_u_char plane[8 * 3] = {};
    const EdgeMap map(plane, 8, 1, 1);
    EXPECT_EQ(StepCoverage(map, StepKind::Left, 3, 2, 0, 0, 70), 66);  // 70 * 4 * 100 / 420
    EXPECT_EQ(StepCoverage(map, StepKind::Left, 1, 1, 0, 0, 70), 50);
    EXPECT_EQ(StepCoverage(map, StepKind::Left, 1, 3, 0, 0, 70), -50);  // truncated towards zero
}

// Red 0 and 2000 differ, 1000 differs from neither.
TEST_F(StepMeasuresTest, DiagonalWalkNeedsTheCrossingBitOnItsStartCell)
{
    const EdgeMap &map = MapOf(Paint16({"AAAABB",   //
                                        "AAABBB",   //
                                        "AABBBB",   //
                                        "MMBBBB"},  //
                                       {{'A', {32768, 0, 0, 0}},
                                        {'M', {32768, 1000, 0, 0}},
                                        {'B', {32768, 2000, 0, 0}}}));
    const DiagonalWalk &upRight = kVerticalWalks[0];
    // From (1, 2) the walk starts on (2, 1) and crosses (3, 0): j = 1.
    EXPECT_EQ(DiagonalWalkLength(map, upRight, 1, 2), 1);
    // From (0, 3) it would start on (1, 2), which lacks D although nothing
    // blocks it and the cells beyond carry D.
    EXPECT_FALSE(map.D(1, 2));
    EXPECT_EQ(DiagonalWalkLength(map, upRight, 0, 3), -1);
}

}  // namespace
