// Single pattern rules on a destination painted one flat grey, so that the
// rule's own restore is the only change.
#include <gtest/gtest.h>

#include "EdgeMapFixture.h"
#include "PaintedWorld.h"
#include "kernels/EdgePatterns.h"
#include "kernels/SmoothingDepth.h"

namespace {

using painted::Grey16;
using painted::Paint16;
using painted::Pixels16;

class EdgePatternsTest : public EdgeMapFixture {
protected:
    // A destination of the source's size, all grey 20000.
    static fxhost::World FlatDestination(const fxhost::World &source)
    {
        fxhost::World destination(source.width(), source.height(), PF_PixelFormat_ARGB64);
        for (A_long y = 0; y < source.height(); ++y)
            for (A_long x = 0; x < source.width(); ++x) destination.at<PF_Pixel16>(x, y) = Grey16(20000);
        return destination;
    }

    SmoothingPass<Depth16> PassOver(const fxhost::World &source, const fxhost::World &destination)
    {
        return MakeSmoothingPass<Depth16>(MapOf(source), *source.get(), *destination.get(), 70);
    }
};

const std::map<char, PF_Pixel16> kThreeTones = {
    {'A', Grey16(32768)}, {'B', Grey16(0)}, {'C', {32768, 32768, 0, 0}}};

TEST_F(EdgePatternsTest, CornerRestoreHalfRestoresTheNotch)
{
    // At (3, 2) the first vertical corner matches: (2, 2) goes half way back
    // to its source B, 20000 * 32768 + 32768 >> 16 = 10000.
    const fxhost::World source = Paint16({"AAAAAA",   //
                                          "ABAAAA",   //
                                          "AABBAA",   //
                                          "AAAABA",   //
                                          "AAAAAA"},  //
                                         kThreeTones);
    fxhost::World destination = FlatDestination(source);
    auto expected = Pixels16(destination);
    VerticalCornerRestores(PassOver(source, destination), 3, 2);
    expected[2][2] = Grey16(10000);
    EXPECT_EQ(Pixels16(destination), expected);
}

TEST_F(EdgePatternsTest, ThreeQuarterRestoreIsNeverInColumnZero)
{
    // At (1, 1) the first clause fails, so (1, 1) goes three quarters back to
    // B: 20000 * 16384 + 32768 >> 16 = 5000.
    const fxhost::World source = Paint16({"AABB", "BBCC", "BBCC"}, kThreeTones);
    fxhost::World destination = FlatDestination(source);
    auto expected = Pixels16(destination);
    ThreeQuarterRestores(PassOver(source, destination), 1, 1);
    expected[1][1] = Grey16(5000);
    EXPECT_EQ(Pixels16(destination), expected);

    // The same boundary one column further left restores nothing.
    const fxhost::World shifted = Paint16({"ABB", "BCC", "BCC"}, kThreeTones);
    fxhost::World untouched = FlatDestination(shifted);
    const auto flat = Pixels16(untouched);
    ThreeQuarterRestores(PassOver(shifted, untouched), 0, 1);
    EXPECT_EQ(Pixels16(untouched), flat);
}

}  // namespace
