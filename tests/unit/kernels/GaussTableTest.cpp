#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "kernels/BlurSchedule.h"
#include "kernels/GaussTable.h"

namespace {

// The weight of the full kernel of 2n - 1 taps.
A_long FullWeight(const GaussTable &table)
{
    A_long total = table.taps[0] + (2 * table.n - 1) * table.tail;
    for (A_long k = 1; k < table.stored; ++k) total += 2 * table.taps[k];
    return total;
}

TEST(GaussTable, AtMostOneTapCarriesTheWholeWeight)
{
    for (A_long n : {-3, 0, 1}) {
        const GaussTable table = MakeGaussTable(n, 4.0);
        EXPECT_EQ(table.n, 1);
        EXPECT_EQ(table.stored, 1);
        EXPECT_EQ(table.taps[0], 32768);
        EXPECT_EQ(table.tailTotal, 0);
    }
}

TEST(GaussTable, TruncatedWeightsAreToppedUpFromTheCentreOut)
{
    // n = 2, variance 0.5: {1, e^-1} / (1 + 2e^-1) * 32768 = {18878.2, 6944.9};
    // 2 units short: the loop gives the centre one, the end adds the last.
    const GaussTable two = MakeGaussTable(2, 0.5);
    EXPECT_EQ(two.taps[0], 18880);
    EXPECT_EQ(two.taps[1], 6944);
    // n = 4, variance 2: {1, e^-.25, e^-1, e^-2.25} / 3.5042 * 32768 truncates
    // to {9351, 7282, 3440, 985}, 3 short: centre + 1, then tap 1 + 1 (2 units).
    const GaussTable four = MakeGaussTable(4, 2.0);
    const A_u_short expected[] = {9352, 7283, 3440, 985};
    for (int k = 0; k < 4; ++k) EXPECT_EQ(four.taps[k], expected[k]) << "tap " << k;
    EXPECT_EQ(FullWeight(two), 32768);
    EXPECT_EQ(FullWeight(four), 32768);
}

TEST(GaussTable, KernelsBeyondThreeHundredTapsCarryATail)
{
    const GaussTable last = MakeGaussTable(300, 300.0 * 300.0 / 8);
    EXPECT_EQ(last.stored, 300);
    EXPECT_EQ(last.tail, 0);
    EXPECT_EQ(last.taps[0], 124);
    EXPECT_EQ(last.taps[299], 2);
    // Radius 300.5: n = 301, the one tail weight w_300 is 2.29 units.
    const GaussTable first = MakeGaussTable(301, 300.5 * 300.5 / 8);
    EXPECT_EQ(first.stored, 300);
    EXPECT_EQ(first.tail, 2);
    EXPECT_EQ(first.tailTotal, 601 * 2);
    EXPECT_EQ(first.taps[0], 122);
    const GaussTable widest = MakeGaussTable(1001, 1001.0 * 1001.0 / 8);
    EXPECT_EQ(widest.tail, 9);
    EXPECT_EQ(widest.tailTotal, 2001 * 9);
    for (const GaussTable &table : {last, first, widest}) EXPECT_EQ(FullWeight(table), 32768);
}

TEST(GaussTable, WeightsAreSummedFromTheCentreOutward)
{
    // Here summing outside-in, or taking w0 + 2 (w1 + w2), moves the truncation
    // of two taps: {6614, 6582, 6495}.
    const GaussTable table = MakeGaussTable(3, 112.36757187639942);
    EXPECT_EQ(table.taps[0], 6612);
    EXPECT_EQ(table.taps[1], 6583);
    EXPECT_EQ(table.taps[2], 6495);
}

class BlurScheduleTest : public ::testing::Test {
protected:
    // "R9 S>X" is a row pass with a 9-tap table from source into scratch.
    std::string Passes(double radius, A_long repeat, std::vector<GaussTable> *tables = nullptr)
    {
        BlurSchedule schedule(radius, repeat, &source, &destination, &scratch);
        std::string text;
        BlurPass pass;
        while (schedule.Next(&pass)) {
            text += std::string(text.empty() ? "" : " ") + (pass.rows ? "R" : "C") + std::to_string(pass.table.n) +
                    " " + Name(pass.source) + ">" + Name(pass.destination);
            if (tables != nullptr) tables->push_back(pass.table);
        }
        return text;
    }
    std::string Name(const PF_EffectWorld *world) const
    {
        return world == &source ? "S" : world == &destination ? "D" : world == &scratch ? "X" : "?";
    }

    PF_EffectWorld source{}, destination{}, scratch{};
};

TEST_F(BlurScheduleTest, RepeatCountsGiveOneMorePassThanRepeatsEndingInDestination)
{
    EXPECT_EQ(Passes(9.0, 1), "R9 S>X C9 X>D");
    EXPECT_EQ(Passes(9.0, 0), "R9 S>X C9 X>D");
    // g = 9^(1/2) = 3: the third pass has radius 3.
    EXPECT_EQ(Passes(9.0, 2), "R9 S>D C9 D>X R3 X>D");
    // g = 8^(1/3) = 2: radii 8, 8, 4, 2.
    EXPECT_EQ(Passes(8.0, 3), "R8 S>X C8 X>D R4 D>X C2 X>D");
    // 11^(1/5) shrinks 11 to 6.81, 4.22, 2.61, 1.62.
    EXPECT_EQ(Passes(11.0, 5), "R11 S>X C11 X>D R7 D>X C5 X>D R3 D>X C2 X>D");
}

TEST_F(BlurScheduleTest, OnlyTheFirstTableDividesTheVarianceByEight)
{
    std::vector<GaussTable> tables;
    Passes(9.0, 2, &tables);
    const GaussTable expected[] = {MakeGaussTable(9, 81.0 / 8), MakeGaussTable(9, 81.0 / 8), MakeGaussTable(3, 9.0)};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(std::memcmp(tables[i].taps, expected[i].taps, sizeof expected[i].taps), 0) << "pass " << i;
}

}  // namespace
