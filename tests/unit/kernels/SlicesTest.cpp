#include <gtest/gtest.h>

#include <string>

#include "kernels/Slices.h"

namespace {

std::string Slices(A_long count, A_long slices)
{
    std::string text;
    for (A_long i = 0; i < slices; ++i) {
        const Slice slice = SliceOf(count, i, slices);
        text += "[" + std::to_string(slice.begin) + "," + std::to_string(slice.end) + ")";
    }
    return text;
}

TEST(SliceRule, FirstSlicesTakeTheLongerShare)
{
    EXPECT_EQ(Slices(10, 4), "[0,3)[3,6)[6,8)[8,10)");
    EXPECT_EQ(Slices(8, 4), "[0,2)[2,4)[4,6)[6,8)");
    EXPECT_EQ(Slices(2, 5), "[0,1)[1,2)[2,2)[2,2)[2,2)");
    EXPECT_EQ(Slices(0, 2), "[0,0)[0,0)");
    EXPECT_EQ(Slices(5, 1), "[0,5)");
}

}  // namespace
