// Every kernel gives the same bytes whatever the number of worker threads.
#include <string>
#include <type_traits>

#include "HostFixture.h"
#include "KernelSupport.h"
#include "kernels/Convert.h"
#include "kernels/Keying.h"
#include "kernels/Masked.h"
#include "kernels/RegionBlur.h"

namespace {

constexpr A_long kWidth = 13, kHeight = 11;
const PF_LRect kArea = {1, 1, 12, 11};

// Flat cels: three colours and a transparent corner, with a soft alpha edge.
PF_Pixel Cel(A_long x, A_long y)
{
    if (x + y < 4) return {0, 0, 0, 0};
    const A_u_char alpha = x == 12 ? 128 : 255;
    if (x < 5) return {alpha, 3, 180, 245};
    return y < 6 ? PF_Pixel{alpha, 250, 120, 10} : PF_Pixel{alpha, 40, 40, 40};
}

template <class Pixel>
Pixel Widen(const PF_Pixel &p);
template <>
PF_Pixel8 Widen(const PF_Pixel &p) { return p; }
template <>
PF_Pixel16 Widen(const PF_Pixel &p) { return {Channel8To16(p.alpha), Channel8To16(p.red), Channel8To16(p.green), Channel8To16(p.blue)}; }
template <>
PF_PixelFloat Widen(const PF_Pixel &p) { return {p.alpha / 255.0f, p.red / 255.0f, p.green / 255.0f, p.blue / 255.0f}; }

template <class Pixel>
fxhost::World CelWorld()
{
    return PaintedWorld<Pixel>(kWidth, kHeight, [](A_long x, A_long y) { return Widen<Pixel>(Cel(x, y)); });
}

class ThreadCountTest : public HostTest {
protected:
    void Append(const fxhost::World &world)
    {
        const auto rowBytes = static_cast<size_t>(world.width() * fxhost::BytesPerPixel(world.format()));
        for (A_long y = 0; y < world.height(); ++y) out.append(world.row<char>(y), rowBytes);
    }
    void Append(const PixelMask &mask)
    {
        for (const std::string &row : MaskText(mask)) out += row;
        out += FlagText(mask.rowFlags, mask.height) + FlagText(mask.columnFlags, mask.width);
    }

    template <class Pixel>
    void RunDepth(const KeyList &keys)
    {
        const fxhost::World source = CelWorld<Pixel>();
        PixelMask alpha, keyed;
        ASSERT_EQ(MaskFromAlpha<Pixel>(inData(), source.get(), kArea, 1, &alpha), PF_Err_NONE);
        ASSERT_EQ(MaskFromKeys<Pixel>(inData(), source.get(), kArea, keys, 1, &keyed), PF_Err_NONE);
        Append(alpha);
        Append(keyed);
        fxhost::World cleared = CelWorld<Pixel>();
        ASSERT_EQ(ClearAlphaOutside<Pixel>(inData(), cleared.get(), kArea, keyed), PF_Err_NONE);
        Append(cleared);
        if constexpr (!std::is_same_v<Pixel, PF_Pixel8>) {
            fxhost::World a = CelWorld<Pixel>(), b = CelWorld<Pixel>(), c = CelWorld<Pixel>();
            ASSERT_EQ(MaskedCopy<Pixel>(inData(), source.get(), a.get(), kArea, keyed, true), PF_Err_NONE);
            ASSERT_EQ(MaskedCopyRows<Pixel>(inData(), a.get(), b.get(), kArea, alpha), PF_Err_NONE);
            ASSERT_EQ(MultiplyAlphaOutside<Pixel>(inData(), b.get(), cleared.get(), kArea, keyed), PF_Err_NONE);
            ASSERT_EQ(ColourOver<Pixel>(inData(), c.get(), a.get(), kArea), PF_Err_NONE);
            Append(a);
            Append(b);
            Append(c);
            for (const double radius : {5.0, 300.5})
                for (const bool keepDivision : {false, true}) {
                    ASSERT_EQ(RegionBlur<Pixel>(a.get(), inData(), -1, source.get(), b.get(), kArea, keyed, radius, 3,
                                                keepDivision, nullptr),
                              PF_Err_NONE);
                    Append(a);
                }
        }
    }

    std::string Everything(int threads)
    {
        host.setThreadCount(threads);
        out.clear();
        KeyList keys(2);
        EXPECT_EQ(MakeColourKey(inData(), {255, 3, 180, 245}, 0.0, &keys[0]), PF_Err_NONE);
        EXPECT_EQ(MakeColourKey(inData(), {255, 250, 120, 10}, 0.1, &keys[1]), PF_Err_NONE);
        RunDepth<PF_Pixel8>(keys);
        RunDepth<PF_Pixel16>(keys);
        RunDepth<PF_PixelFloat>(keys);
        PixelMask all;
        all.AllocateMask(inData(), 11, 10);
        all.FillMask(1);
        const fxhost::World bytes = CelWorld<PF_Pixel8>();
        fxhost::World deep = CelWorld<PF_Pixel16>(), back = CelWorld<PF_Pixel8>();
        EXPECT_EQ(ConvertTo16(inData(), bytes.get(), deep.get(), kArea, all, true), PF_Err_NONE);
        EXPECT_EQ(ConvertTo8(inData(), deep.get(), back.get(), kArea, all, true), PF_Err_NONE);
        Append(deep);
        Append(back);
        return out;
    }

    std::string out;
};

TEST_F(ThreadCountTest, OneTwoAndSevenWorkersAgree)
{
    const std::string single = Everything(1);
    EXPECT_GT(single.size(), 10000u);
    EXPECT_EQ(Everything(2), single);
    EXPECT_EQ(Everything(7), single);
}

}  // namespace
