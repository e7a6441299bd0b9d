#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <string>
#include <vector>

#include "EdgeMapFixture.h"
#include "PaintedWorld.h"

namespace {

using painted::Paint16;

constexpr A_long kThreshold = 1285;  // 10 in 8-bit units

TEST(DifferTest, TransparentPixelsNeverDiffer)
{
    EXPECT_FALSE(Differ16({0, 32768, 0, 32768}, {0, 0, 32768, 0}, kThreshold));
    EXPECT_FALSE(DifferFloat({0, 1, 0, 1}, {0, 0, 1, 0}, 10 / 255.0f));
}

TEST(DifferTest, SumsExceedingTheThresholdDiffer)
{
    // Against transparent, the other pixel's four channels: 1285, then 1286.
    const PF_Pixel16 clear{0, 32768, 32768, 32768};
    EXPECT_FALSE(Differ16(clear, {1000, 100, 100, 85}, kThreshold));
    EXPECT_TRUE(Differ16({1000, 100, 100, 86}, clear, kThreshold));
    EXPECT_TRUE(DifferFloat({0.03f, 0.01f, 0, 0}, {0, 1, 1, 1}, 10 / 255.0f));
    // Between opaque pixels, the channel differences: 285 + 500 + 200 + 300, then 1286.
    EXPECT_FALSE(Differ16({32000, 1000, 2000, 3000}, {32285, 1500, 1800, 2700}, kThreshold));
    EXPECT_TRUE(Differ16({32000, 1000, 2000, 3000}, {32286, 1500, 1800, 2700}, kThreshold));
    // A NaN alpha is not transparent, and a NaN sum never exceeds.
    EXPECT_FALSE(DifferFloat({std::numeric_limits<float>::quiet_NaN(), 0, 0, 0}, {1, 1, 1, 1}, 10 / 255.0f));
}

class EdgeMapTest : public EdgeMapFixture {};

TEST_F(EdgeMapTest, UniformWorldHasNoFlags)
{
    const fxhost::World world = Paint16({"AAAAA", "AAAAA", "AAAAA"}, {{'A', painted::Grey16(9000)}});
    const EdgeMap &map = MapOf(world);
    for (A_long y = -1; y <= 3; ++y)
        for (A_long x = -4; x <= 5; ++x) EXPECT_EQ(map.bits(x, y), 0) << x << ", " << y;
}

TEST_F(EdgeMapTest, OnePixelWideWorldHasOnlyBit1)
{
    const fxhost::World world =
        Paint16({"A", "B", "B", "A"}, {{'A', painted::Grey16(0)}, {'B', painted::Grey16(32768)}});
    const EdgeMap &map = MapOf(world);
    EXPECT_EQ(map.bits(0, 0), EdgeMap::kD);
    EXPECT_EQ(map.bits(0, 1), 0);
    EXPECT_EQ(map.bits(0, 2), EdgeMap::kD);
    EXPECT_EQ(map.bits(0, 3), 0);
    for (A_long y = -1; y <= 4; ++y) {
        EXPECT_EQ(map.bits(-1, y), 0);
        EXPECT_EQ(map.bits(1, y), 0);
    }
}

TEST_F(EdgeMapTest, IsAZeroFilledHostWorldWithBorder)
{
    // The host fills worlds it does not clear with 0xA5 bytes.
    const fxhost::World world = Paint16({"AB", "AA"}, {{'A', painted::Grey16(0)}, {'B', painted::Grey16(32768)}});
    {
        EdgeMapWorld mapWorld(worldSuite(), inData()->effect_ref);
        ASSERT_EQ(mapWorld.allocate(2, 2), PF_Err_NONE);
        EdgeMap map = mapWorld.map();
        FillEdgeMap16(map, *world.get(), kThreshold);
        // The last column holds bit 1 only.
        EXPECT_EQ(map.bits(0, 0), EdgeMap::kR | EdgeMap::kY);
        EXPECT_EQ(map.bits(1, 0), EdgeMap::kD);
        // Rows of (2 + 5) rounded up to 8 bytes: four left of column 0, two right of column 1.
        for (A_long y = -1; y <= 2; ++y)
            for (A_long x = -4; x <= 3; ++x)
                if (x < 0 || x > 1 || y < 0 || y > 1) {
                    EXPECT_EQ(map.bits(x, y), 0) << x << ", " << y;
                }
        EXPECT_EQ(host.accounting().worlds, 1);
    }
    EXPECT_EQ(host.accounting().worlds, 0);
}

// Red 0 and 2000 differ; 1000 differs from neither (threshold 1285). Diagonal
// bits of a block's pixel i are only evaluated when bit 0 or 1 is set on one
// of the block's pixels 0 to i + 1.
TEST_F(EdgeMapTest, DiagonalBitsAreEvaluatedWithTheRunningBlockFlags)
{
    const fxhost::World world = Paint16({"APPPZZ",   //
                                         "AQPPZZ",   //
                                         "AAAZZZ",   //
                                         "AAQZZZ"},  //
                                        {{'A', {32768, 0, 0, 0}},
                                         {'P', {32768, 1000, 0, 0}},
                                         {'Q', {32768, 2000, 0, 0}},
                                         {'Z', {32768, 32768, 32768, 0}}});
    const EdgeMap &map = MapOf(world);
    // Row 0: only pixel 3 of the block has a flag, so pixel 0 (A against Q
    // on its diagonal) is never tested; pixel 3 always is.
    EXPECT_FALSE(map.X(0, 0));
    EXPECT_TRUE(map.R(3, 0));
    EXPECT_TRUE(map.X(3, 0));
    // Row 2: pixel 2's flag brings in pixel 1 (A against Q) but not pixel 0.
    EXPECT_TRUE(map.R(2, 2));
    EXPECT_TRUE(map.X(1, 2));
}

TEST_F(EdgeMapTest, PixelsAfterTheLastWholeBlockAreAlwaysTested)
{
    // Width 4: no block lies wholly before the last column, so pixel 0's
    // diagonal is tested although no flag is set near it.
    const fxhost::World world =
        Paint16({"APPP", "AQPP"},
                {{'A', {32768, 0, 0, 0}}, {'P', {32768, 1000, 0, 0}}, {'Q', {32768, 2000, 0, 0}}});
    const EdgeMap &map = MapOf(world);
    EXPECT_EQ(map.bits(1, 0), 0);
    EXPECT_TRUE(map.X(0, 0));
}

// The straight bits are the difference tests themselves, also where flat
// stretches are passed over four pixels at a time: stretches of one colour
// broken at every offset from a block's start, by pixels that differ and by
// pixels of other bits that do not.
TEST_F(EdgeMapTest, StraightBitsAreTheDifferenceTests)
{
    std::vector<std::string> rows;
    for (int y = 0; y < 9; ++y) {
        std::string row(23, 'A');
        row[(y * 5) % 23] = 'Q';
        row[(y * 3 + 7) % 23] = 'P';
        if (y % 3 == 0) row[22] = 'Q';
        rows.push_back(row);
    }
    const std::map<char, PF_Pixel16> palette = {
        {'A', {32768, 0, 0, 0}}, {'P', {32768, 1000, 0, 0}}, {'Q', {32768, 2000, 0, 0}}};
    const fxhost::World world = Paint16(rows, palette);
    const EdgeMap &map = MapOf(world);
    for (A_long y = 0; y < 9; ++y)
        for (A_long x = 0; x < 23; ++x) {
            const PF_Pixel16 here = palette.at(rows[y][x]);
            EXPECT_EQ(map.R(x, y), x + 1 < 23 && Differ16(here, palette.at(rows[y][x + 1]), kThreshold)) << x << "," << y;
            EXPECT_EQ(map.D(x, y), y + 1 < 9 && Differ16(here, palette.at(rows[y + 1][x]), kThreshold)) << x << "," << y;
        }
}

// Bands of rows filled one by one, in any order, give the map the whole
// fill gives: a row's bits depend on that row and the one below only.
TEST_F(EdgeMapTest, BandsOfRowsGiveTheWholeMap)
{
    std::vector<std::string> rows;
    for (int y = 0; y < 13; ++y) {
        std::string row;
        for (int x = 0; x < 11; ++x) row += "ABCA"[(x * 7 + y * y * 3 + x * y) % 4];
        rows.push_back(row);
    }
    const std::map<char, PF_Pixel16> palette16 = {
        {'A', painted::Grey16(0)}, {'B', painted::Grey16(32768)}, {'C', {0, 9000, 9000, 9000}}};
    std::map<char, PF_PixelFloat> paletteFloat;
    for (const auto &[key, p] : palette16)
        paletteFloat[key] = {p.alpha / 32768.0f, p.red / 32768.0f, p.green / 32768.0f, p.blue / 32768.0f};
    const fxhost::World world16 = Paint16(rows, palette16);
    const fxhost::World worldFloat = painted::PaintFloat(rows, paletteFloat);
    const std::vector<Slice> bands = {{9, 13}, {0, 1}, {4, 9}, {1, 4}};

    for (const bool deep : {true, false}) {
        EdgeMapWorld wholeWorld(worldSuite(), inData()->effect_ref), bandWorld(worldSuite(), inData()->effect_ref);
        ASSERT_EQ(wholeWorld.allocate(11, 13), PF_Err_NONE);
        ASSERT_EQ(bandWorld.allocate(11, 13), PF_Err_NONE);
        EdgeMap whole = wholeWorld.map(), banded = bandWorld.map();
        if (deep) {
            FillEdgeMap16(whole, *world16.get(), kThreshold);
            for (const Slice &band : bands) FillEdgeMapRows16(banded, *world16.get(), kThreshold, band);
        } else {
            FillEdgeMapFloat(whole, *worldFloat.get(), 10 / 255.0f);
            for (const Slice &band : bands) FillEdgeMapRowsFloat(banded, *worldFloat.get(), 10 / 255.0f, band);
        }
        int set = 0;
        for (A_long y = -1; y <= 13; ++y)
            for (A_long x = -EdgeMap::kLeftBorder; x < EdgeMap::RowSpan(11) - EdgeMap::kLeftBorder; ++x) {
                EXPECT_EQ(banded.bits(x, y), whole.bits(x, y)) << (deep ? "16-bit " : "float ") << x << ", " << y;
                set += whole.bits(x, y) != 0;
            }
        EXPECT_GT(set, 20);
    }
}

}  // namespace
