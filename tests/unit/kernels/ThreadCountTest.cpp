// Every kernel gives the same bytes whatever the number of worker threads.
#include <string>
#include <type_traits>

#include "HostFixture.h"
#include "KernelSupport.h"
#include "kernels/BoundaryBlur.h"
#include "kernels/Convert.h"
#include "kernels/Keying.h"
#include "kernels/Masked.h"
#include "kernels/Propagation.h"
#include "kernels/RegionBlur.h"

namespace {

const PF_LRect kArea = {1, 1, 12, 11};

// Flat cels in three colours, a transparent corner and a half-covered column.
template <class Pixel>
fxhost::World Cels()
{
    return PaintedWorld<Pixel>(13, 11, [](A_long x, A_long y) {
        PF_Pixel p = x < 5   ? PF_Pixel{255, 3, 180, 245}
                     : y < 6 ? PF_Pixel{255, 250, 120, 10}
                             : PF_Pixel{255, 40, 40, 40};
        p.alpha = x + y < 4 ? 0 : x == 12 ? 128 : 255;
        if constexpr (std::is_same_v<Pixel, PF_Pixel16>)
            return Pixel{Channel8To16(p.alpha), Channel8To16(p.red), Channel8To16(p.green), Channel8To16(p.blue)};
        else if constexpr (std::is_same_v<Pixel, PF_PixelFloat>)
            return Pixel{p.alpha / 255.0f, p.red / 255.0f, p.green / 255.0f, p.blue / 255.0f};
        else
            return p;
    });
}

class ThreadCountTest : public HostTest {
protected:
    void Append(const fxhost::World &world)
    {
        for (A_long y = 0; y < world.height(); ++y)
            out.append(world.row<char>(y), size_t(world.width() * fxhost::BytesPerPixel(world.format())));
    }
    void Append(const PixelMask &mask)
    {
        for (const std::string &row : MaskText(mask)) out += row;
        out += FlagText(mask);
    }

    template <class Pixel>
    void RunDepth(const KeyList &keys)
    {
        const fxhost::World source = Cels<Pixel>();
        // 8-bit: b is the 16-bit conversion.
        fxhost::World a = Cels<Pixel>(), c = Cels<Pixel>();
        fxhost::World b = std::is_same_v<Pixel, PF_Pixel8> ? Cels<PF_Pixel16>() : Cels<Pixel>();
        PixelMask alpha, keyed;
        ASSERT_EQ(MaskFromAlpha<Pixel>(inData(), source.get(), kArea, 1, &alpha), PF_Err_NONE);
        ASSERT_EQ(MaskFromKeys<Pixel>(inData(), source.get(), kArea, keys, 1, &keyed), PF_Err_NONE);
        ASSERT_EQ(ClearAlphaOutside<Pixel>(inData(), c.get(), kArea, keyed), PF_Err_NONE);
        if constexpr (std::is_same_v<Pixel, PF_Pixel8>) {
            ASSERT_EQ(ConvertTo16(inData(), source.get(), b.get(), kArea, alpha, true), PF_Err_NONE);
            ASSERT_EQ(ConvertTo8(inData(), b.get(), a.get(), kArea, keyed, true), PF_Err_NONE);
        } else {
            ASSERT_EQ(MaskedCopy<Pixel>(inData(), source.get(), a.get(), kArea, keyed, true), PF_Err_NONE);
            ASSERT_EQ(MaskedCopyRows<Pixel>(inData(), a.get(), b.get(), kArea, alpha), PF_Err_NONE);
            ASSERT_EQ(MultiplyAlphaOutside<Pixel>(inData(), b.get(), c.get(), kArea, keyed), PF_Err_NONE);
            ASSERT_EQ(ColourOver<Pixel>(inData(), c.get(), a.get(), kArea), PF_Err_NONE);
            for (const double radius : {5.0, 300.5})  // the second with a tail
                for (const bool keepDivision : {false, true}) {
                    ASSERT_EQ(RegionBlur<Pixel>(a.get(), inData(), -1, source.get(), b.get(), kArea, keyed, radius, 3,
                                                keepDivision, nullptr),
                              PF_Err_NONE);
                    Append(a);
                }
            RunProcessKernels<Pixel>(source, keyed, alpha);
        }
        Append(alpha);
        Append(keyed);
        for (const fxhost::World *world : {&a, &b, &c}) Append(*world);
    }

    // The key pixels spread into the rest, then feathered and biased.
    template <class Pixel>
    void RunProcessKernels(const fxhost::World &source, const PixelMask &keyed, const PixelMask &alpha)
    {
        fxhost::World spread = Cels<Pixel>(), propagated = Cels<Pixel>(), feathered = Cels<Pixel>(),
                      scratch = Cels<Pixel>();
        for (const bool keepDivision : {false, true}) {
            ASSERT_EQ(PropagateColour<Pixel>(source.get(), propagated.get(), spread.get(), inData(), kArea, keyed,
                                             alpha, 4.0, keepDivision),
                      PF_Err_NONE);
            Append(spread);
            Append(propagated);
            for (const double radius : {5.0, 300.5}) {
                ASSERT_EQ(BoundaryBlur<Pixel>(feathered.get(), inData(), -1, propagated.get(), scratch.get(), kArea,
                                              alpha, keyed, radius, 3, keepDivision, nullptr),
                          PF_Err_NONE);
                ASSERT_EQ(BoundaryBias<Pixel>(inData(), feathered.get(), kArea, alpha, 30.0), PF_Err_NONE);
                Append(feathered);
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
        return out;
    }

    std::string out;
};

TEST_F(ThreadCountTest, OneTwoAndSevenWorkersAgree)
{
    const std::string single = Everything(1);
    EXPECT_EQ(Everything(2), single);
    EXPECT_EQ(Everything(7), single);
}

}  // namespace
