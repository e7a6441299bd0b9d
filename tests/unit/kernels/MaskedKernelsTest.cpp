#include <vector>

#include "HostFixture.h"
#include "KernelSupport.h"
#include "kernels/Convert.h"
#include "kernels/Masked.h"

namespace {

PF_LRect Whole(const fxhost::World &world) { return {0, 0, world.width(), world.height()}; }

bool operator==(const PF_Pixel16 &a, const PF_Pixel16 &b)
{
    return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}
bool operator==(const PF_PixelFloat &a, const PF_PixelFloat &b)
{
    return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}

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
    ASSERT_EQ(ConvertTo16(inData(), bytes.get(), deep.get(), Whole(deep), all, false), PF_Err_NONE);
    EXPECT_EQ(deep.at<PF_Pixel16>(255, 0).alpha, 32768);
    EXPECT_EQ(deep.at<PF_Pixel16>(1, 0).red, 129);  // (32768 + 128) div 255
    EXPECT_EQ(deep.at<PF_Pixel16>(0, 0).red, 0);
    ASSERT_EQ(ConvertTo8(inData(), deep.get(), back.get(), Whole(back), all, false), PF_Err_NONE);
    EXPECT_TRUE(back.samePixels(bytes));
}

TEST_F(MaskedKernelsTest, TheClearFlagDecidesWhatBecomesOfUnselectedPixels)
{
    const PixelMask mask = DrawMask(inData(), {"#."});
    const fxhost::World bytes = FlatWorld<PF_Pixel8>(2, 1, {255, 255, 255, 255});
    const fxhost::World source = FlatWorld<PF_Pixel16>(2, 1, {32768, 1, 2, 3});
    const PF_Pixel16 before = {7, 7, 7, 7};
    for (bool clear : {false, true}) {
        const PF_Pixel16 outside = clear ? PF_Pixel16{0, 0, 0, 0} : before;
        fxhost::World converted = FlatWorld<PF_Pixel16>(2, 1, before);
        ASSERT_EQ(ConvertTo16(inData(), bytes.get(), converted.get(), {0, 0, 2, 1}, mask, clear), PF_Err_NONE);
        EXPECT_TRUE(converted.at<PF_Pixel16>(0, 0) == (PF_Pixel16{32768, 32768, 32768, 32768}));
        EXPECT_TRUE(converted.at<PF_Pixel16>(1, 0) == outside);
        fxhost::World copied = FlatWorld<PF_Pixel16>(2, 1, before);
        ASSERT_EQ(MaskedCopy<PF_Pixel16>(inData(), source.get(), copied.get(), {0, 0, 2, 1}, mask, clear),
                  PF_Err_NONE);
        EXPECT_TRUE(copied.at<PF_Pixel16>(0, 0) == (PF_Pixel16{32768, 1, 2, 3}));
        EXPECT_TRUE(copied.at<PF_Pixel16>(1, 0) == outside);
    }
}

TEST_F(MaskedKernelsTest, RowCopySkipsRowsFlaggedEmpty)
{
    PixelMask mask = DrawMask(inData(), {"#", "#", "#"});
    mask.rowFlags[1] = 0;
    const fxhost::World source = FlatWorld<PF_PixelFloat>(1, 3, {1, 0.5f, 0.5f, 0.5f});
    fxhost::World target = FlatWorld<PF_PixelFloat>(1, 3, {0, 0, 0, 0});
    ASSERT_EQ(MaskedCopyRows<PF_PixelFloat>(inData(), source.get(), target.get(), {0, 0, 1, 3}, mask), PF_Err_NONE);
    EXPECT_EQ(target.at<PF_PixelFloat>(0, 0).red, 0.5f);
    EXPECT_EQ(target.at<PF_PixelFloat>(0, 1).red, 0.0f);
    // Stale flags say nothing, so no row is skipped.
    mask.flagsStale = 1;
    ASSERT_EQ(MaskedCopyRows<PF_PixelFloat>(inData(), source.get(), target.get(), {0, 0, 1, 3}, mask), PF_Err_NONE);
    EXPECT_EQ(target.at<PF_PixelFloat>(0, 1).red, 0.5f);
}

TEST_F(MaskedKernelsTest, AlphaOutsideTheMaskIsClearedOrMultiplied)
{
    const PixelMask mask = DrawMask(inData(), {"#..."});
    const PF_LRect area = {0, 0, 4, 1};
    fxhost::World bytes = FlatWorld<PF_Pixel8>(4, 1, {200, 1, 2, 3});
    ASSERT_EQ(ClearAlphaOutside<PF_Pixel8>(inData(), bytes.get(), area, mask), PF_Err_NONE);
    EXPECT_EQ(bytes.at<PF_Pixel8>(0, 0).alpha, 200);
    EXPECT_EQ(bytes.at<PF_Pixel8>(3, 0).alpha, 0);
    EXPECT_EQ(bytes.at<PF_Pixel8>(3, 0).blue, 3);

    // (second * alpha) >> 15: 30000 * 20000 = 18310.5 * 32768, 32768 keeps alpha.
    std::vector<PF_Pixel16> alphas = {{20000, 0, 0, 0}, {20000, 0, 0, 0}, {32768, 0, 0, 0}, {5, 0, 0, 0}};
    fxhost::World deep = PaintedWorld<PF_Pixel16>(4, 1, [&](A_long x, A_long) { return alphas[x]; });
    const fxhost::World second = PaintedWorld<PF_Pixel16>(4, 1, [](A_long x, A_long) {
        return PF_Pixel16{static_cast<A_u_short>(x == 2 ? 12345 : x == 3 ? 32768 : 30000), 0, 0, 0};
    });
    ASSERT_EQ(MultiplyAlphaOutside<PF_Pixel16>(inData(), deep.get(), second.get(), area, mask), PF_Err_NONE);
    EXPECT_EQ(deep.at<PF_Pixel16>(0, 0).alpha, 20000);
    EXPECT_EQ(deep.at<PF_Pixel16>(1, 0).alpha, 18310);
    EXPECT_EQ(deep.at<PF_Pixel16>(2, 0).alpha, 12345);
    EXPECT_EQ(deep.at<PF_Pixel16>(3, 0).alpha, 5);

    fxhost::World floats = FlatWorld<PF_PixelFloat>(4, 1, {0.5f, 1, 1, 1});
    const fxhost::World half = FlatWorld<PF_PixelFloat>(4, 1, {0.25f, 0, 0, 0});
    ASSERT_EQ(MultiplyAlphaOutside<PF_PixelFloat>(inData(), floats.get(), half.get(), area, mask), PF_Err_NONE);
    EXPECT_EQ(floats.at<PF_PixelFloat>(0, 0).alpha, 0.5f);
    EXPECT_EQ(floats.at<PF_PixelFloat>(1, 0).alpha, 0.125f);
    ASSERT_EQ(ClearAlphaOutside<PF_PixelFloat>(inData(), floats.get(), area, mask), PF_Err_NONE);
    EXPECT_EQ(floats.at<PF_PixelFloat>(2, 0).alpha, 0.0f);
}

TEST_F(MaskedKernelsTest, ColourOverMixesByCoverageAndKeepsDestinationAlpha)
{
    // a = 10000 over alpha 20000: b = (22768 * 20000) >> 15 = 13896, red
    // (10000 * 20000 + 13896 * 5000) div 23896 = 11277.
    const std::vector<PF_Pixel16> sources = {{10000, 20000, 0, 32768}, {32768, 1, 2, 3}, {0, 9, 9, 9}};
    const fxhost::World source = PaintedWorld<PF_Pixel16>(3, 1, [&](A_long x, A_long) { return sources[x]; });
    fxhost::World target = FlatWorld<PF_Pixel16>(3, 1, {20000, 5000, 5000, 0});
    ASSERT_EQ(ColourOver<PF_Pixel16>(inData(), target.get(), source.get(), {0, 0, 3, 1}), PF_Err_NONE);
    EXPECT_TRUE(target.at<PF_Pixel16>(0, 0) == (PF_Pixel16{20000, 11277, 2907, 13712}));
    EXPECT_TRUE(target.at<PF_Pixel16>(1, 0) == (PF_Pixel16{20000, 1, 2, 3}));
    EXPECT_TRUE(target.at<PF_Pixel16>(2, 0) == (PF_Pixel16{20000, 5000, 5000, 0}));

    // a = 0.5 over alpha 0.5: c = 0.25, red (0 * 0.25 + 1 * 0.5) / 0.75.
    const fxhost::World floatSource = FlatWorld<PF_PixelFloat>(1, 1, {0.5f, 1, 0.25f, 1});
    fxhost::World floatTarget = FlatWorld<PF_PixelFloat>(1, 1, {0.5f, 0, 1, 0.5f});
    ASSERT_EQ(ColourOver<PF_PixelFloat>(inData(), floatTarget.get(), floatSource.get(), {0, 0, 1, 1}), PF_Err_NONE);
    EXPECT_TRUE(floatTarget.at<PF_PixelFloat>(0, 0) ==
                (PF_PixelFloat{0.5f, static_cast<float>(0.5 / 0.75), 0.5f, static_cast<float>(0.625 / 0.75)}));
}

TEST_F(MaskedKernelsTest, AreasOutsideTheWorldOrMaskAreRefused)
{
    const PixelMask mask = DrawMask(inData(), {"##"});
    fxhost::World world = FlatWorld<PF_Pixel16>(2, 2, {1, 1, 1, 1});
    EXPECT_EQ(ClearAlphaOutside<PF_Pixel16>(inData(), world.get(), {0, 0, 2, 2}, mask), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(ClearAlphaOutside<PF_Pixel16>(inData(), world.get(), {1, 0, 3, 1}, mask), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(ClearAlphaOutside<PF_Pixel16>(inData(), world.get(), {0, 1, 2, 2}, mask), PF_Err_NONE);
}

}  // namespace
