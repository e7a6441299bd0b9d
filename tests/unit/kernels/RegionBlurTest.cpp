#include <limits>
#include <vector>

#include "HostFixture.h"
#include "KernelSupport.h"
#include "kernels/GaussTable.h"
#include "kernels/RegionBlur.h"

namespace {

GaussTable Table(std::vector<A_u_short> taps, A_long n, A_u_short tailTotal = 0)
{
    GaussTable table{};
    for (size_t k = 0; k < taps.size(); ++k) table.taps[k] = taps[k];
    table.stored = static_cast<A_long>(taps.size());
    table.n = n;
    table.tailTotal = tailTotal;
    return table;
}

// A line of pixels whose red channel is given; alpha 1000 (float 0.5).
template <class Pixel>
fxhost::World RedLine(const std::vector<double> &reds, bool vertical = false)
{
    const auto width = static_cast<A_long>(reds.size());
    return PaintedWorld<Pixel>(vertical ? 1 : width, vertical ? width : 1, [&](A_long x, A_long y) {
        using C = decltype(Pixel::red);
        const C red = static_cast<C>(reds[x + y]);
        return Pixel{static_cast<C>(sizeof(C) == 2 ? 1000 : 0.5), red, 0, 0};
    });
}

class RegionBlurTest : public HostTest {
protected:
    // One pass of worker over the whole of source into a fresh destination
    // whose pixels start as {7, 7, 7, 7}; returns the destination's reds
    // (alpha instead where a pixel's alpha changed).
    template <class Pixel>
    std::vector<double> Pass(PF_IteratePixelFunc worker, const fxhost::World &source, const PixelMask &mask,
                             const GaussTable &table)
    {
        fxhost::World target = FlatWorld<Pixel>(source.width(), source.height(), Pixel{7, 7, 7, 7});
        RegionBlurJob<Pixel> job{inData(), target.get(), source.get(), {0, 0, source.width(), source.height()},
                                 &mask, &table};
        EXPECT_EQ(inData()->utils->iterate_generic(-1, &job, worker), PF_Err_NONE);
        std::vector<double> reds;
        for (A_long i = 0; i < source.width() * source.height(); ++i) {
            const Pixel &p = target.at<Pixel>(i % source.width(), i / source.width());
            reds.push_back(p.alpha == 7 ? p.red : -p.alpha);
        }
        return reds;
    }
};

using V = std::vector<double>;
constexpr auto Rows16 = RegionBlurRows<PF_Pixel16, BlurForm::Window>;
constexpr auto RowsFloat = RegionBlurRows<PF_PixelFloat, BlurForm::Window>;

TEST_F(RegionBlurTest, SixteenBitRowPassFormulas)
{
    const PixelMask all = DrawMask(inData(), {"###"});
    // No tail: (sum tap * red + W div 2) div W; at x = 0, (4000 + 4000 + 3001 + 3) div 7.
    EXPECT_EQ(Pass<PF_Pixel16>(Rows16, RedLine<PF_Pixel16>({1000, 2000, 3001}), all, Table({4, 2, 1}, 3)),
              (V{1572, 2000, 2429}));
    // No weight at all: the source pixel is copied whole, alpha included.
    const PixelMask apart = DrawMask(inData(), {"#.#"});
    EXPECT_EQ(Pass<PF_Pixel16>(Rows16, RedLine<PF_Pixel16>({1000, 2000, 3000}), apart, Table({0, 5}, 2)),
              (V{-1000, 7, -1000}));
    // Tail 16384: (T * mean + 16384 + (weighted div W) * (32768 - T)) div 32768;
    // at x = 0 the mean is 2000 and the weighted part 22000 div 14 = 1571.
    EXPECT_EQ(Pass<PF_Pixel16>(Rows16, RedLine<PF_Pixel16>({1000, 2000, 3000}), all, Table({8, 4, 2}, 3, 16384)),
              (V{1786, 2000, 2214}));
    // Tail without weight: the weighted term drops out, the rounding stays;
    // mean 2003 gives 1002.
    EXPECT_EQ(Pass<PF_Pixel16>(Rows16, RedLine<PF_Pixel16>({1001, 2002, 3006}), all, Table({0, 0, 0}, 3, 16384)),
              (V{1002, 1002, 1002}));
}

TEST_F(RegionBlurTest, FloatRowPassFormulas)
{
    const PixelMask all = DrawMask(inData(), {"###"});
    const V plain = Pass<PF_PixelFloat>(RowsFloat, RedLine<PF_PixelFloat>({0.5, 0.25, 1.0}), all, Table({4, 2, 1}, 3));
    EXPECT_EQ(plain[0], 0.5);
    EXPECT_EQ(plain[1], 0.5);
    EXPECT_FLOAT_EQ(plain[2], 5.0f / 7);
    // Tail: weighted 5.5 / 14 times (1 - 1/2), plus mean 0.5 times 1/2.
    const V tailed =
        Pass<PF_PixelFloat>(RowsFloat, RedLine<PF_PixelFloat>({0.25, 0.5, 0.75}), all, Table({8, 4, 2}, 3, 16384));
    EXPECT_FLOAT_EQ(tailed[0], 25.0f / 56);
    EXPECT_EQ(Pass<PF_PixelFloat>(RowsFloat, RedLine<PF_PixelFloat>({0.25, 0.5, 0.75}), all, Table({0}, 3, 16384)),
              (V{0.25, 0.25, 0.25}));
    const PixelMask apart = DrawMask(inData(), {"#.#"});
    EXPECT_EQ(Pass<PF_PixelFloat>(RowsFloat, RedLine<PF_PixelFloat>({2.5, 0, 0}), apart, Table({0, 5}, 2)),
              (V{-0.5, 7, -0.5}));
}

TEST_F(RegionBlurTest, FloatWindowSumsMatchDirectSums)
{
    // With no weight and tail 32768 the pass is the plain mean of the window.
    // Once the large or infinite value has left it, the mean is exactly 1.
    const PixelMask all = DrawMask(inData(), {"######"});
    for (double first : {16777216.0, std::numeric_limits<double>::infinity()}) {
        const V out = Pass<PF_PixelFloat>(RowsFloat, RedLine<PF_PixelFloat>({first, 1, 1, 1, 1, 1}), all,
                                          Table({0}, 3, 32768));
        EXPECT_EQ(out[1], static_cast<float>((first + 3) / 4)) << first;
        EXPECT_EQ(out[3], 1.0) << first;
        EXPECT_EQ(out[5], 1.0) << first;
    }
}

TEST_F(RegionBlurTest, OnlyTheWindowFormMixesAcrossAnUnselectedPixel)
{
    const PixelMask row = DrawMask(inData(), {"##.##"});
    const V reds = {1000, 1000, 0, 3000, 3000};
    const GaussTable table = Table({4, 2, 1}, 3);
    EXPECT_EQ(Pass<PF_Pixel16>(RegionBlurRows<PF_Pixel16, BlurForm::RunLimited>, RedLine<PF_Pixel16>(reds), row,
                               table),
              (V{1000, 1000, 7, 3000, 3000}));
    // x = 1: (2 * 1000 + 4 * 1000 + 1 * 3000 + 3) div 7; x = 3 likewise.
    EXPECT_EQ(Pass<PF_Pixel16>(Rows16, RedLine<PF_Pixel16>(reds), row, table), (V{1000, 1286, 7, 2714, 3000}));

    const PixelMask column = DrawMask(inData(), {"#", "#", ".", "#", "#"});
    EXPECT_EQ(Pass<PF_PixelFloat>(RegionBlurColumns<PF_PixelFloat, BlurForm::RunLimited>,
                                  RedLine<PF_PixelFloat>({0.25, 0.25, 0, 0.75, 0.75}, true), column, table),
              (V{0.25, 0.25, 7, 0.75, 0.75}));
    const V mixed = Pass<PF_PixelFloat>(RegionBlurColumns<PF_PixelFloat, BlurForm::Window>,
                                        RedLine<PF_PixelFloat>({0.25, 0.25, 0, 0.75, 0.75}, true), column, table);
    EXPECT_FLOAT_EQ(mixed[1], 2.25f / 7);
    EXPECT_EQ(mixed[2], 7);
}

class RegionBlurScheduleTest : public RegionBlurTest {
protected:
    // A 7 x 5 16-bit picture, two colours, a mask with holes.
    RegionBlurScheduleTest()
        : source(PaintedWorld<PF_Pixel16>(7, 5, [](A_long x, A_long y) {
              return PF_Pixel16{32768, static_cast<A_u_short>(x * 3000 + y * 500), static_cast<A_u_short>(y * 900),
                                static_cast<A_u_short>(x < 3 ? 100 : 30000)};
          }))
    {
    }
    PixelMask Mask() { return DrawMask(inData(), {"#######", "##.####", "#####.#", "..#####", "#######"}); }

    fxhost::World source;
    fxhost::World destination = FlatWorld<PF_Pixel16>(7, 5, {1, 2, 3, 4});
    fxhost::World scratch = FlatWorld<PF_Pixel16>(7, 5, {0, 0, 0, 0});
};

TEST_F(RegionBlurScheduleTest, PassesChainIntoTheDestination)
{
    struct Step {
        bool rows;
        A_long n;
        double variance;
    };
    struct Case {
        double radius;
        A_long repeat;
        std::vector<Step> steps;
    };
    const Case cases[] = {{9.0, 1, {{true, 9, 81.0 / 8}, {false, 9, 81.0 / 8}}},
                          {9.0, 2, {{true, 9, 81.0 / 8}, {false, 9, 81.0 / 8}, {true, 3, 9.0}}},
                          {8.0, 3, {{true, 8, 8.0}, {false, 8, 8.0}, {true, 4, 16.0}, {false, 2, 4.0}}}};
    const PixelMask mask = Mask();
    for (const Case &c : cases) {
        fxhost::World blurred = FlatWorld<PF_Pixel16>(7, 5, {1, 2, 3, 4});
        ASSERT_EQ(RegionBlur<PF_Pixel16>(blurred.get(), inData(), -1, source.get(), scratch.get(), {0, 0, 7, 5}, mask,
                                         c.radius, c.repeat, true, nullptr),
                  PF_Err_NONE);
        fxhost::World chained = FlatWorld<PF_Pixel16>(7, 5, {1, 2, 3, 4});
        fxhost::World other = FlatWorld<PF_Pixel16>(7, 5, {1, 2, 3, 4});
        const fxhost::World *from = &source;
        for (size_t i = 0; i < c.steps.size(); ++i) {
            fxhost::World &to = (c.steps.size() - i) % 2 == 1 ? chained : other;
            const GaussTable table = MakeGaussTable(c.steps[i].n, c.steps[i].variance);
            RegionBlurJob<PF_Pixel16> job{inData(), to.get(), from->get(), {0, 0, 7, 5}, &mask, &table};
            inData()->utils->iterate_generic(-1, &job,
                                             c.steps[i].rows ? RegionBlurRows<PF_Pixel16, BlurForm::RunLimited>
                                                             : RegionBlurColumns<PF_Pixel16, BlurForm::RunLimited>);
            from = &to;
        }
        EXPECT_TRUE(blurred.samePixels(chained)) << "repeat " << c.repeat;
        EXPECT_FALSE(blurred.samePixels(destination)) << "repeat " << c.repeat;
    }
}

TEST_F(RegionBlurScheduleTest, UnselectedPixelsAndAlphaAreNeverWritten)
{
    const PixelMask mask = Mask();
    for (bool keepDivision : {false, true}) {
        ASSERT_EQ(RegionBlur<PF_Pixel16>(destination.get(), inData(), -1, source.get(), scratch.get(), {0, 0, 7, 5},
                                         mask, 5.0, 4, keepDivision, nullptr),
                  PF_Err_NONE);
        for (A_long y = 0; y < 5; ++y)
            for (A_long x = 0; x < 7; ++x) {
                const PF_Pixel16 &p = destination.at<PF_Pixel16>(x, y);
                EXPECT_EQ(p.alpha, 1);
                if (mask.Row(y)[x] == 0) {
                    EXPECT_EQ(p.red + p.green + p.blue, 2 + 3 + 4) << x << "," << y;
                }
            }
    }
}

TEST_F(RegionBlurScheduleTest, RadiusBelowTwoCopiesTheSelectedPixels)
{
    const PixelMask mask = Mask();
    ProgressCounter progress{inData(), inData()->effect_ref, 10, 0};
    ASSERT_EQ(RegionBlur<PF_Pixel16>(destination.get(), inData(), -1, source.get(), scratch.get(), {0, 0, 7, 5}, mask,
                                     1.99, 3, true, &progress),
              PF_Err_NONE);
    EXPECT_EQ(destination.at<PF_Pixel16>(6, 4).red, source.at<PF_Pixel16>(6, 4).red);
    EXPECT_EQ(destination.at<PF_Pixel16>(6, 4).alpha, 32768);
    EXPECT_EQ(destination.at<PF_Pixel16>(0, 3).alpha, 1);
    EXPECT_EQ(host.progressCalls(), 0);
}

TEST_F(RegionBlurScheduleTest, ProgressCancelAndMemoryFailureEndTheSchedule)
{
    const PixelMask mask = Mask();
    ProgressCounter progress{inData(), inData()->effect_ref, 10, 0};
    const auto blur = [&]() {
        return RegionBlur<PF_Pixel16>(destination.get(), inData(), -1, source.get(), scratch.get(), {0, 0, 7, 5},
                                      mask, 4.0, 3, false, &progress);
    };
    EXPECT_EQ(blur(), PF_Err_NONE);
    EXPECT_EQ(host.progressCalls(), 4);
    host.failNth(fxhost::Fault::Progress, 2, PF_Interrupt_CANCEL);
    EXPECT_EQ(blur(), PF_Interrupt_CANCEL);
    EXPECT_EQ(host.progressCalls(), 6);
    host.failNth(fxhost::Fault::HandleAllocation, 1);
    EXPECT_EQ(blur(), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(host.progressCalls(), 7);
    EXPECT_EQ(RegionBlur<PF_Pixel16>(destination.get(), inData(), -1, source.get(), destination.get(), {0, 0, 7, 5},
                                     mask, 4.0, 3, false, nullptr),
              PF_Err_BAD_CALLBACK_PARAM);
}

}  // namespace
