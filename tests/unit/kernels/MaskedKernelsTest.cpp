#include <vector>

#include "HostFixture.h"
#include "KernelSupport.h"
#include "kernels/Convert.h"
#include "kernels/Masked.h"

namespace {

template <class Pixel>
std::vector<double> Channels(const fxhost::World &world)
{
    std::vector<double> out;
    for (A_long x = 0; x < world.width(); ++x) {
        const Pixel &p = world.at<Pixel>(x, 0);
        out.insert(out.end(), {double(p.alpha), double(p.red), double(p.green), double(p.blue)});
    }
    return out;
}
using V = std::vector<double>;

class MaskedKernelsTest : public HostTest {};

TEST_F(MaskedKernelsTest, EveryByteSurvivesTheRoundTripThroughSixteenBits)
{
    const fxhost::World bytes = PaintedWorld<PF_Pixel8>(256, 1, [](A_long x, A_long) {
        const auto v = static_cast<A_u_char>(x);
        return PF_Pixel{v, v, static_cast<A_u_char>(255 - v), v};
    });
    fxhost::World deep(256, 1, PF_PixelFormat_ARGB64), back(256, 1, PF_PixelFormat_ARGB32);
    PixelMask all;
    all.AllocateMask(inData(), 256, 1);
    all.FillMask(1);
    ASSERT_EQ(ConvertTo16(inData(), bytes.get(), deep.get(), {0, 0, 256, 1}, all, false), PF_Err_NONE);
    // (v * 32768 + 128) div 255: 129 for 1, 32640 for 254, 32768 for 255.
    const V converted = Channels<PF_Pixel16>(deep);
    EXPECT_EQ(V(converted.begin(), converted.begin() + 8), (V{0, 0, 32768, 0, 129, 129, 32640, 129}));
    ASSERT_EQ(ConvertTo8(inData(), deep.get(), back.get(), {0, 0, 256, 1}, all, false), PF_Err_NONE);
    EXPECT_TRUE(back.samePixels(bytes));
}

TEST_F(MaskedKernelsTest, TheClearFlagDecidesWhatBecomesOfUnselectedPixels)
{
    const PixelMask mask = DrawMask(inData(), {"#."});
    const fxhost::World bytes = FlatWorld<PF_Pixel8>(2, 1, {255, 255, 255, 255});
    const fxhost::World source = FlatWorld<PF_Pixel16>(2, 1, {32768, 1, 2, 3});
    for (bool clear : {false, true}) {
        const double kept = clear ? 0 : 7;
        fxhost::World converted = FlatWorld<PF_Pixel16>(2, 1, {7, 7, 7, 7});
        fxhost::World copied = FlatWorld<PF_Pixel16>(2, 1, {7, 7, 7, 7});
        ASSERT_EQ(ConvertTo16(inData(), bytes.get(), converted.get(), {0, 0, 2, 1}, mask, clear), PF_Err_NONE);
        EXPECT_EQ(Channels<PF_Pixel16>(converted), (V{32768, 32768, 32768, 32768, kept, kept, kept, kept}));
        ASSERT_EQ(MaskedCopy<PF_Pixel16>(inData(), source.get(), copied.get(), {0, 0, 2, 1}, mask, clear), 0);
        EXPECT_EQ(Channels<PF_Pixel16>(copied), (V{32768, 1, 2, 3, kept, kept, kept, kept}));
    }
}

TEST_F(MaskedKernelsTest, RowCopySkipsRowsFlaggedEmptyWhileTheFlagsAreFresh)
{
    PixelMask mask = DrawMask(inData(), {"#", "#"});
    mask.rowFlags[1] = 0;
    const fxhost::World source = FlatWorld<PF_PixelFloat>(1, 2, {1, 0.5f, 0.5f, 0.5f});
    fxhost::World target = FlatWorld<PF_PixelFloat>(1, 2, {0, 0, 0, 0});
    ASSERT_EQ(MaskedCopyRows<PF_PixelFloat>(inData(), source.get(), target.get(), {0, 0, 1, 2}, mask), 0);
    EXPECT_EQ(target.at<PF_PixelFloat>(0, 0).red + target.at<PF_PixelFloat>(0, 1).red, 0.5f);
    mask.flagsStale = 1;
    ASSERT_EQ(MaskedCopyRows<PF_PixelFloat>(inData(), source.get(), target.get(), {0, 0, 1, 2}, mask), 0);
    EXPECT_EQ(target.at<PF_PixelFloat>(0, 1).red, 0.5f);
}

TEST_F(MaskedKernelsTest, AlphaOutsideTheMaskIsClearedOrMultiplied)
{
    const PixelMask mask = DrawMask(inData(), {"#.."});
    fxhost::World bytes = FlatWorld<PF_Pixel8>(3, 1, {200, 1, 2, 3});
    ASSERT_EQ(ClearAlphaOutside<PF_Pixel8>(inData(), bytes.get(), {0, 0, 3, 1}, mask), PF_Err_NONE);
    EXPECT_EQ(Channels<PF_Pixel8>(bytes), (V{200, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3}));

    // (second * alpha) >> 15: 30000 * 20000 = 18310.5 * 32768; 32768 keeps alpha.
    fxhost::World deep = FlatWorld<PF_Pixel16>(3, 1, {20000, 0, 0, 0});
    const fxhost::World second = PaintedWorld<PF_Pixel16>(3, 1, [](A_long x, A_long) {
        return PF_Pixel16{static_cast<A_u_short>(x == 2 ? 32768 : 30000), 0, 0, 0};
    });
    ASSERT_EQ(MultiplyAlphaOutside<PF_Pixel16>(inData(), deep.get(), second.get(), {0, 0, 3, 1}, mask), 0);
    EXPECT_EQ(Channels<PF_Pixel16>(deep), (V{20000, 0, 0, 0, 18310, 0, 0, 0, 20000, 0, 0, 0}));

    fxhost::World floats = FlatWorld<PF_PixelFloat>(3, 1, {0.5f, 1, 1, 1});
    const fxhost::World quarter = FlatWorld<PF_PixelFloat>(3, 1, {0.25f, 0, 0, 0});
    ASSERT_EQ(MultiplyAlphaOutside<PF_PixelFloat>(inData(), floats.get(), quarter.get(), {0, 0, 3, 1}, mask), 0);
    EXPECT_EQ(Channels<PF_PixelFloat>(floats), (V{0.5, 1, 1, 1, 0.125, 1, 1, 1, 0.125, 1, 1, 1}));
}

TEST_F(MaskedKernelsTest, ColourOverMixesByCoverageAndKeepsDestinationAlpha)
{
    // a = 10000 over alpha 20000: b = (22768 * 20000) >> 15 = 13896, red
    // (10000 * 20000 + 13896 * 5000) div 23896 = 11277.
    const std::vector<PF_Pixel16> over = {{10000, 20000, 0, 32768}, {32768, 1, 2, 3}, {0, 9, 9, 9}};
    const fxhost::World source = PaintedWorld<PF_Pixel16>(3, 1, [&](A_long x, A_long) { return over[x]; });
    fxhost::World target = FlatWorld<PF_Pixel16>(3, 1, {20000, 5000, 5000, 0});
    ASSERT_EQ(ColourOver<PF_Pixel16>(inData(), target.get(), source.get(), {0, 0, 3, 1}), PF_Err_NONE);
    EXPECT_EQ(Channels<PF_Pixel16>(target), (V{20000, 11277, 2907, 13712, 20000, 1, 2, 3, 20000, 5000, 5000, 0}));

    // a = 0.5 over alpha 0.5: c = 0.25; red (0 * 0.25 + 1 * 0.5) / 0.75.
    const fxhost::World floatSource = FlatWorld<PF_PixelFloat>(1, 1, {0.5f, 1, 0.25f, 1});
    fxhost::World floatTarget = FlatWorld<PF_PixelFloat>(1, 1, {0.5f, 0, 1, 0.5f});
    ASSERT_EQ(ColourOver<PF_PixelFloat>(inData(), floatTarget.get(), floatSource.get(), {0, 0, 1, 1}), 0);
    EXPECT_EQ(Channels<PF_PixelFloat>(floatTarget), (V{0.5, float(0.5 / 0.75), 0.5, float(0.625 / 0.75)}));
}

TEST_F(MaskedKernelsTest, AreasOutsideTheWorldOrTheMaskAreRefused)
{
    const PixelMask mask = DrawMask(inData(), {"##"});
    fxhost::World world = FlatWorld<PF_Pixel16>(2, 2, {1, 1, 1, 1});
    EXPECT_EQ(ClearAlphaOutside<PF_Pixel16>(inData(), world.get(), {0, 0, 2, 2}, mask), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(ClearAlphaOutside<PF_Pixel16>(inData(), world.get(), {1, 0, 3, 1}, mask), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(ClearAlphaOutside<PF_Pixel16>(inData(), world.get(), {0, 1, 2, 2}, mask), PF_Err_NONE);
}

}  // namespace
