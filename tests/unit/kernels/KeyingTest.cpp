#include <algorithm>
#include <limits>
#include <vector>

#include "HostFixture.h"
#include "KernelSupport.h"
#include "kernels/Keying.h"

namespace {

template <class Pixel>
fxhost::World Line(std::vector<Pixel> pixels)
{
    return PaintedWorld<Pixel>(static_cast<A_long>(pixels.size()), 1, [&](A_long x, A_long) { return pixels[x]; });
}

class KeyingTest : public HostTest {
protected:
    ColourKey Key(PF_Pixel colour, A_long tolerance)
    {
        ColourKey key{};
        EXPECT_EQ(MakeColourKey(inData(), colour, 0.0, &key), PF_Err_NONE);
        key.tolerance = tolerance;
        return key;
    }
    template <class Pixel>
    std::string Keyed(const fxhost::World &world, const KeyList &keys, A_u_char mark = 1)
    {
        PixelMask mask;
        EXPECT_EQ(MaskFromKeys<Pixel>(inData(), world.get(), {0, 0, world.width(), 1}, keys, mark, &mask), 0);
        return MaskText(mask)[0];
    }
};

TEST_F(KeyingTest, HueDistanceWrapsAround)
{
    // 1 and 359 degrees, same lightness and saturation: (2 * 65536 >> 7) >> 3 = 128.
    const fxhost::World world = Line<PF_Pixel8>({{255, 255, 19, 15}, {255, 255, 15, 19}});
    EXPECT_EQ(Keyed<PF_Pixel8>(world, {Key({255, 255, 15, 19}, 128)}), "11");
    EXPECT_EQ(Keyed<PF_Pixel8>(world, {Key({255, 255, 15, 19}, 127)}), ".1");
}

TEST_F(KeyingTest, ToleranceZeroMatchesWhateverTheFinalShiftDrops)
{
    // 16-bit red 322..449 reduces to 3; 23130 to 180, 31483 to 245.
    const fxhost::World world =
        Line<PF_Pixel16>({{32768, 322, 23130, 31483}, {1, 449, 23130, 31483}, {32768, 321, 23130, 31483}});
    ColourKey key = Key({255, 3, 180, 245}, 0);
    EXPECT_EQ(Keyed<PF_Pixel16>(world, {key}), "11.");
    key.lightness += 7;
    EXPECT_EQ(Keyed<PF_Pixel16>(world, {key}), "11.");
    key.lightness += 1;
    EXPECT_EQ(Keyed<PF_Pixel16>(world, {key}), "...");
}

TEST_F(KeyingTest, FullRangeMatchesEveryVisiblePixelAndNoTransparentOne)
{
    const fxhost::World world = Line<PF_Pixel8>(
        {{255, 255, 255, 255}, {1, 255, 0, 0}, {255, 0, 255, 255}, {0, 0, 0, 0}, {9, 128, 128, 128}});
    EXPECT_EQ(Keyed<PF_Pixel8>(world, {Key({255, 0, 0, 0}, 27904)}, 5), "555.5");
    EXPECT_EQ(Keyed<PF_Pixel8>(world, {}), ".....");
}

TEST_F(KeyingTest, FloatChannelsReduceInDoubleKeepingTheLowEightBits)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // 0.0019607842f * 255 + 0.5 rounds up to 1 in single precision, not in
    // double; NaN and 1e10 give 0; -1 gives -254, whose low eight bits are 2.
    const float v = 0.0019607841968536377f;
    const fxhost::World world = Line<PF_PixelFloat>(
        {{1, v, v, v}, {nan, nan, nan, nan}, {1, 1e10f, -1e10f, 0}, {1, -1, -1, -1}, {0, 0, 0, 0}, {1, 2, 2, 2}});
    EXPECT_EQ(Keyed<PF_PixelFloat>(world, {Key({255, 0, 0, 0}, 0)}), "111...");
    EXPECT_EQ(Keyed<PF_PixelFloat>(world, {Key({255, 2, 2, 2}, 0)}), "...1..");
    EXPECT_EQ(Keyed<PF_PixelFloat>(world, {Key({255, 254, 254, 254}, 0)}), ".....1");
}

TEST_F(KeyingTest, MasksComeBackWithExactFlagsUnlessTheColourCallbackFails)
{
    const fxhost::World world = PaintedWorld<PF_Pixel8>(4, 3, [](A_long x, A_long y) {
        return x == 2 && y != 1 ? PF_Pixel{255, 9, 9, 9} : PF_Pixel{255, 200, 0, 0};
    });
    PixelMask mask;
    ASSERT_EQ(MaskFromKeys<PF_Pixel8>(inData(), world.get(), {1, 0, 4, 3}, {Key({255, 9, 9, 9}, 0)}, 1, &mask), 0);
    EXPECT_EQ(MaskText(mask), (Rows{".1.", "...", ".1."}));
    EXPECT_EQ(FlagText(mask), "101|010");
    EXPECT_EQ(mask.flagsStale * 10 + mask.boundsStale, 1);

    host.failNth(fxhost::Fault::RGBtoHLS, 1, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(MaskFromKeys<PF_Pixel8>(inData(), world.get(), {0, 0, 4, 3}, {}, 1, &mask),
              PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(mask.width, 3);
}

// Repeats of a colour take its result a run at a time: the runs end at
// transparent pixels and at other colours, whatever the alpha of the
// repeats, and the colour callback is asked once a run, as before.
TEST_F(KeyingTest, RepeatedColoursAreKeyedAsRuns)
{
    const PF_Pixel8 hit{255, 9, 9, 9}, faint{3, 9, 9, 9}, clear{0, 9, 9, 9}, miss{255, 200, 0, 0};
    const fxhost::World world = Line<PF_Pixel8>({hit, hit, faint, clear, hit, miss, miss, hit, hit, clear, miss});
    const KeyList keys = {Key({255, 9, 9, 9}, 0)};
    PixelMask mask;
    host.calls().startRecording();
    ASSERT_EQ(MaskFromKeys<PF_Pixel8>(inData(), world.get(), {0, 0, 11, 1}, keys, 2, &mask), 0);
    const std::vector<fxhost::RecordedCall> calls = host.calls().stopRecording();
    EXPECT_EQ(MaskText(mask), Rows{"222.2..22.."});
    EXPECT_EQ(FlagText(mask), "1|11101001100");
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const fxhost::RecordedCall &call) { return call.call == fxhost::HostCall::RGBtoHLS; }),
              4);
}

TEST_F(KeyingTest, AlphaMasksMarkEveryVisiblePixel)
{
    PixelMask mask;
    const fxhost::World bytes = Line<PF_Pixel8>({{0, 9, 9, 9}, {1, 0, 0, 0}});
    ASSERT_EQ(MaskFromAlpha<PF_Pixel8>(inData(), bytes.get(), {0, 0, 2, 1}, 3, &mask), PF_Err_NONE);
    EXPECT_EQ(MaskText(mask), Rows{".3"});
    const fxhost::World deep = Line<PF_Pixel16>({{32768, 0, 0, 0}, {0, 5, 5, 5}});
    ASSERT_EQ(MaskFromAlpha<PF_Pixel16>(inData(), deep.get(), {0, 0, 2, 1}, 1, &mask), PF_Err_NONE);
    EXPECT_EQ(MaskText(mask), Rows{"1."});
    const fxhost::World floats =
        Line<PF_PixelFloat>({{std::numeric_limits<float>::quiet_NaN(), 0, 0, 0}, {-0.0f, 1, 1, 1}, {-1, 0, 0, 0}});
    ASSERT_EQ(MaskFromAlpha<PF_PixelFloat>(inData(), floats.get(), {0, 0, 3, 1}, 1, &mask), PF_Err_NONE);
    EXPECT_EQ(MaskText(mask), Rows{"1.1"});
    EXPECT_EQ(FlagText(mask), "1|101");
    EXPECT_EQ(mask.boundsStale, 1);
}

}  // namespace
