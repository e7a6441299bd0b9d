#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernels/BlurSchedule.h"
#include "kernels/GaussTable.h"

namespace {

// Taps 0..count-1, then the tail and the weight of the full 2n - 1 taps.
std::vector<A_long> Summary(const GaussTable &table, A_long count)
{
    std::vector<A_long> out(table.taps, table.taps + count);
    A_long total = table.taps[0] + (2 * table.n - 1) * table.tail;
    for (A_long k = 1; k < table.stored; ++k) total += 2 * table.taps[k];
    out.insert(out.end(), {table.tail, table.tailTotal, total});
    return out;
}

TEST(GaussTable, TruncatedWeightsAreToppedUpFromTheCentreOut)
{
    for (A_long n : {-3, 0, 1})
        EXPECT_EQ(Summary(MakeGaussTable(n, 4.0), 1), (std::vector<A_long>{32768, 0, 0, 32768}));
    // n = 2, variance 0.5: {1, e^-1} / (1 + 2e^-1) * 32768 = {18878.2, 6944.9},
    // 2 short: the loop gives the centre one, the end the other.
    EXPECT_EQ(Summary(MakeGaussTable(2, 0.5), 2), (std::vector<A_long>{18880, 6944, 0, 0, 32768}));
    // n = 4, variance 2: {1, e^-.25, e^-1, e^-2.25} / 3.5042 * 32768 truncates to
    // {9351, 7282, 3440, 985}, 3 short: the centre 1, tap 1 one (2 units).
    EXPECT_EQ(Summary(MakeGaussTable(4, 2.0), 4), (std::vector<A_long>{9352, 7283, 3440, 985, 0, 0, 32768}));
}

TEST(GaussTable, KernelsBeyondThreeHundredTapsCarryATail)
{
    EXPECT_EQ(Summary(MakeGaussTable(300, 300.0 * 300.0 / 8), 1), (std::vector<A_long>{124, 0, 0, 32768}));
    // Radius 300.5: n = 301, whose one tail weight w_300 is 2.29 units.
    EXPECT_EQ(Summary(MakeGaussTable(301, 300.5 * 300.5 / 8), 1), (std::vector<A_long>{122, 2, 601 * 2, 32768}));
    EXPECT_EQ(Summary(MakeGaussTable(1001, 1001.0 * 1001.0 / 8), 1), (std::vector<A_long>{29, 9, 2001 * 9, 32768}));
}

TEST(GaussTable, WeightsAreSummedFromTheCentreOutward)
{
    // Summing outside-in, or w0 + 2 (w1 + w2), gives {6614, 6582, 6495} here.
    EXPECT_EQ(Summary(MakeGaussTable(3, 112.36757187639942), 3),
              (std::vector<A_long>{6612, 6583, 6495, 0, 0, 32768}));
}

// "R9 S>X": a row pass with a 9-tap table from source into scratch.
std::string Passes(double radius, A_long repeat)
{
    PF_EffectWorld worlds[3] = {};
    BlurSchedule schedule(radius, repeat, &worlds[0], &worlds[1], &worlds[2]);
    std::string text;
    BlurPass pass;
    while (schedule.Next(&pass))
        text += std::string(pass.rows ? " R" : " C") + std::to_string(pass.table.n) + " " +
                "SDX"[pass.source - worlds] + ">" + "SDX"[pass.destination - worlds];
    return text.substr(1);
}

TEST(BlurSchedule, RepeatCountsGiveOneMorePassThanRepeatsEndingInDestination)
{
    EXPECT_EQ(Passes(9.0, 1), "R9 S>X C9 X>D");
    EXPECT_EQ(Passes(9.0, 0), "R9 S>X C9 X>D");
    EXPECT_EQ(Passes(9.0, 2), "R9 S>D C9 D>X R3 X>D");  // 9 / 9^(1/2)
    EXPECT_EQ(Passes(8.0, 3), "R8 S>X C8 X>D R4 D>X C2 X>D");
    EXPECT_EQ(Passes(11.0, 5), "R11 S>X C11 X>D R7 D>X C5 X>D R3 D>X C2 X>D");  // 6.81, 4.22, 2.61, 1.62
}

}  // namespace
