#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

#include "HostFixture.h"
#include "KernelSupport.h"
#include "kernels/GaussTable.h"
#include "kernels/RegionBlur.h"
#include "kernels/Slices.h"

namespace {

using V = std::vector<double>;

class RegionBlurTest : public HostTest {
protected:
    // One pass over a line of pixels with the given reds (alpha 1000, float
    // 0.5) into a line of {7, 7, 7, 7}. Gives the reds written, or minus the
    // alpha where the alpha was written too.
    template <class Pixel>
    V Pass(IterateWorker worker, const V &reds, const PixelMask &mask, const GaussTable &table)
    {
        using C = decltype(Pixel::red);
        const auto size = static_cast<A_long>(reds.size());
        const A_long width = mask.height == 1 ? size : 1, height = size / width;
        const fxhost::World source = PaintedWorld<Pixel>(width, height, [&](A_long x, A_long y) {
            return Pixel{static_cast<C>(sizeof(C) == 2 ? 1000 : 0.5), static_cast<C>(reds[x + y]), 0, 0};
        });
        fxhost::World target = FlatWorld<Pixel>(width, height, Pixel{7, 7, 7, 7});
        RegionBlurJob<Pixel> job{inData(), target.get(), source.get(), {0, 0, width, height}, &mask, &table};
        EXPECT_EQ(inData()->utils->iterate_generic(-1, &job, worker), PF_Err_NONE);
        V out;
        for (A_long i = 0; i < size; ++i) {
            const Pixel &p = target.at<Pixel>(i % width, i / width);
            out.push_back(p.alpha == 7 ? p.red : -p.alpha);
        }
        return out;
    }
};

constexpr auto Rows16 = RegionBlurRows<PF_Pixel16, BlurForm::Window>;
constexpr auto RowsFloat = RegionBlurRows<PF_PixelFloat, BlurForm::Window>;

TEST_F(RegionBlurTest, SixteenBitRowPassFormulas)
{
    const PixelMask all = DrawMask(inData(), {"###"}), apart = DrawMask(inData(), {"#.#"});
    // No tail: (sum tap * red + W div 2) div W; at x = 0 (4000 + 4000 + 3001 + 3) div 7.
    EXPECT_EQ(Pass<PF_Pixel16>(Rows16, {1000, 2000, 3001}, all, Table({4, 2, 1}, 3)), (V{1572, 2000, 2429}));
    // No weight: the source pixel is copied whole, alpha included.
    EXPECT_EQ(Pass<PF_Pixel16>(Rows16, {1000, 2000, 3000}, apart, Table({0, 5}, 2)), (V{-1000, 7, -1000}));
    // Tail T: (T * mean + 16384 + (weighted div W) * (32768 - T)) div 32768; at
    // x = 0 the mean is 2000 and the weighted part 22000 div 14 = 1571.
    EXPECT_EQ(Pass<PF_Pixel16>(Rows16, {1000, 2000, 3000}, all, Table({8, 4, 2}, 3, 16384)), (V{1786, 2000, 2214}));
    // Tail without weight: the weighted term, not the rounding, drops out;
    // mean 2003 gives 1002.
    EXPECT_EQ(Pass<PF_Pixel16>(Rows16, {1001, 2002, 3006}, all, Table({0}, 3, 16384)), (V{1002, 1002, 1002}));
}

TEST_F(RegionBlurTest, FloatRowPassFormulas)
{
    const PixelMask all = DrawMask(inData(), {"###"}), apart = DrawMask(inData(), {"#.#"});
    EXPECT_EQ(Pass<PF_PixelFloat>(RowsFloat, {0.5, 0.25, 1.0}, all, Table({4, 2, 1}, 3)), (V{0.5, 0.5, 5.0f / 7}));
    // Tail: weighted 5.5 / 14 times (1 - 1/2), plus the mean 0.5 times 1/2;
    // without weight only the mean term.
    EXPECT_FLOAT_EQ(Pass<PF_PixelFloat>(RowsFloat, {0.25, 0.5, 0.75}, all, Table({8, 4, 2}, 3, 16384))[0], 25.0 / 56);
    EXPECT_EQ(Pass<PF_PixelFloat>(RowsFloat, {0.25, 0.5, 0.75}, all, Table({0}, 3, 16384)), (V{0.25, 0.25, 0.25}));
    EXPECT_EQ(Pass<PF_PixelFloat>(RowsFloat, {2.5, 0, 0}, apart, Table({0, 5}, 2)), (V{-0.5, 7, -0.5}));
}

TEST_F(RegionBlurTest, FloatWindowSumsMatchDirectSums)
{
    // No weight and tail 32768: the plain mean of the window. Once the large
    // or infinite value has left the window the mean is exactly 1 again.
    const PixelMask all = DrawMask(inData(), {"######"});
    for (double first : {16777216.0, std::numeric_limits<double>::infinity()}) {
        const V out = Pass<PF_PixelFloat>(RowsFloat, {first, 1, 1, 1, 1, 1}, all, Table({0}, 3, 32768));
        // Built as floats: GCC 12's vectoriser drops a float rounding between
        // doubles in a braced list.
        const std::vector<float> means = {float((first + 2) / 3), float((first + 3) / 4), float((first + 4) / 5),
                                          1, 1, 1};
        EXPECT_EQ(out, V(means.begin(), means.end())) << first;
    }
}

TEST_F(RegionBlurTest, OnlyTheWindowFormMixesAcrossAnUnselectedPixel)
{
    const PixelMask row = DrawMask(inData(), {"##.##"}), column = DrawMask(inData(), {"#", "#", ".", "#", "#"});
    const GaussTable table = Table({4, 2, 1}, 3);
    EXPECT_EQ(Pass<PF_Pixel16>(RegionBlurRows<PF_Pixel16, BlurForm::RunLimited>, {1000, 1000, 0, 3000, 3000}, row,
                               table),
              (V{1000, 1000, 7, 3000, 3000}));
    // x = 1: (2 * 1000 + 4 * 1000 + 1 * 3000 + 3) div 7; x = 3 likewise.
    EXPECT_EQ(Pass<PF_Pixel16>(Rows16, {1000, 1000, 0, 3000, 3000}, row, table), (V{1000, 1286, 7, 2714, 3000}));
    EXPECT_EQ(Pass<PF_PixelFloat>(RegionBlurColumns<PF_PixelFloat, BlurForm::RunLimited>, {0.25, 0.25, 0, 0.75, 0.75},
                                  column, table),
              (V{0.25, 0.25, 7, 0.75, 0.75}));
    EXPECT_EQ(Pass<PF_PixelFloat>(RegionBlurColumns<PF_PixelFloat, BlurForm::Window>, {0.25, 0.25, 0, 0.75, 0.75},
                                  column, table)[1],
              2.25f / 7);
}

// Every pass against the formula worked pixel by pixel, on a frame whose
// regions hold pixels with their whole window selected (summed without
// bounds) next to pixels near holes and edges, in strips wider than the
// widest vector group.
class RegionBlurFormulaTest : public HostTest {
protected:
    static constexpr A_long kWidth = 53, kHeight = 61;

    RegionBlurFormulaTest()
    {
        for (A_long y = 0; y < kHeight; ++y)
            for (A_long x = 0; x < kWidth; ++x) {
                const bool hole = (x % 29 == 7 && y % 23 < 3) || (y == 40 && x > 30) || (x == 45 && y < 12);
                region[y][x] = hole ? '.' : '#';
            }
    }

    // The output of the selected pixel `at` of a line of the source, written
    // over {7, 7, 7, 7}: the taps of its window in increasing offset, the
    // weight the 16-bit sum of the counted taps.
    template <class Pixel, class PixelAt, class Counted>
    static Pixel Expected(const PixelAt &pixel, const Counted &counted, A_long length, A_long at, BlurForm form,
                          const GaussTable &table)
    {
        A_long lo, hi;
        FormulaWindow(counted, length, at, form, table, lo, hi);
        A_u_short weight = 0;
        std::array<std::conditional_t<sizeof(Pixel) == 8, A_u_long, double>, 3> sums{};
        for (A_long p = lo; p <= hi; ++p) {
            if (!counted(p)) continue;
            const A_u_short tap = table.taps[std::abs(p - at)];
            weight = static_cast<A_u_short>(weight + tap);
            const Pixel &v = pixel(p);
            const auto values = {v.red, v.green, v.blue};
            auto value = values.begin();
            for (auto &sum : sums) {
                if constexpr (sizeof(Pixel) == 8)
                    sum += static_cast<A_u_long>(tap) * *value++;
                else
                    sum += *value++ * (tap / 32768.0);
            }
        }
        if (weight == 0) return pixel(at);
        Pixel out{7, 7, 7, 7};
        decltype(out.red) *channels[] = {&out.red, &out.green, &out.blue};
        for (int c = 0; c < 3; ++c) {
            if constexpr (sizeof(Pixel) == 8)
                *channels[c] = static_cast<A_u_short>((sums[c] + weight / 2) / weight);
            else
                *channels[c] = static_cast<PF_FpShort>(sums[c] * (weight == 32768 ? 1.0 : 32768.0 / weight));
        }
        return out;
    }

    template <class Pixel>
    void Check(const fxhost::World &source, IterateWorker worker, bool rows, BlurForm form)
    {
        const PixelMask mask = DrawMask(inData(), region);
        const GaussTable table = MakeGaussTable(6, 36.0 / 8);
        fxhost::World target = FlatWorld<Pixel>(kWidth, kHeight, Pixel{7, 7, 7, 7});
        RegionBlurJob<Pixel> job{inData(), target.get(), source.get(), {0, 0, kWidth, kHeight}, &mask, &table};
        ASSERT_EQ(inData()->utils->iterate_generic(-1, &job, worker), PF_Err_NONE);
        for (A_long y = 0; y < kHeight; ++y)
            for (A_long x = 0; x < kWidth; ++x) {
                Pixel expected{7, 7, 7, 7};
                if (region[y][x] == '#') {
                    const auto pixel = [&](A_long p) { return rows ? source.at<Pixel>(p, y) : source.at<Pixel>(x, p); };
                    const auto counted = [&](A_long p) { return (rows ? region[y][p] : region[p][x]) == '#'; };
                    expected = Expected<Pixel>(pixel, counted, rows ? kWidth : kHeight, rows ? x : y, form, table);
                }
                const Pixel &got = target.at<Pixel>(x, y);
                ASSERT_EQ(std::memcmp(&got, &expected, sizeof(Pixel)), 0)
                    << "at " << x << "," << y << (rows ? " rows" : " columns") << " red " << got.red << " expected "
                    << expected.red;
            }
    }

    Rows region = Rows(kHeight, std::string(kWidth, '#'));
};

TEST_F(RegionBlurFormulaTest, SixteenBitPasses)
{
    unsigned state = 99;
    const auto next = [&state] { return state = state * 1103515245u + 12345u, static_cast<A_u_short>(state >> 17); };
    const fxhost::World source = PaintedWorld<PF_Pixel16>(kWidth, kHeight, [&](A_long, A_long) {
        return PF_Pixel16{next(), next(), next(), next()};
    });
    Check<PF_Pixel16>(source, RegionBlurRows<PF_Pixel16, BlurForm::Window>, true, BlurForm::Window);
    Check<PF_Pixel16>(source, RegionBlurRows<PF_Pixel16, BlurForm::RunLimited>, true, BlurForm::RunLimited);
    Check<PF_Pixel16>(source, RegionBlurColumns<PF_Pixel16, BlurForm::Window>, false, BlurForm::Window);
    Check<PF_Pixel16>(source, RegionBlurColumns<PF_Pixel16, BlurForm::RunLimited>, false, BlurForm::RunLimited);
}

TEST_F(RegionBlurFormulaTest, FloatPasses)
{
    // Values of every size, infinities among them; an alpha that is not a
    // number must not reach the colour sums.
    unsigned state = 7;
    const auto next = [&state] {
        state = state * 1103515245u + 12345u;
        const unsigned r = state >> 16;
        if (r % 97 == 0) return std::numeric_limits<float>::infinity();
        return static_cast<float>((r % 1000) / 999.0 * std::pow(10.0, static_cast<int>(r % 7) - 3));
    };
    const fxhost::World source = PaintedWorld<PF_PixelFloat>(kWidth, kHeight, [&](A_long, A_long) {
        return PF_PixelFloat{std::numeric_limits<float>::quiet_NaN(), next(), next(), next()};
    });
    Check<PF_PixelFloat>(source, RegionBlurRows<PF_PixelFloat, BlurForm::Window>, true, BlurForm::Window);
    Check<PF_PixelFloat>(source, RegionBlurRows<PF_PixelFloat, BlurForm::RunLimited>, true, BlurForm::RunLimited);
    Check<PF_PixelFloat>(source, RegionBlurColumns<PF_PixelFloat, BlurForm::Window>, false, BlurForm::Window);
    Check<PF_PixelFloat>(source, RegionBlurColumns<PF_PixelFloat, BlurForm::RunLimited>, false,
                         BlurForm::RunLimited);
}

class RegionBlurScheduleTest : public HostTest {
protected:
    PF_Err Blur(fxhost::World &into, fxhost::World &scratch, const PixelMask &mask, double radius, A_long repeat,
                bool keepDivision, ProgressCounter *progress = nullptr)
    {
        return RegionBlur<PF_Pixel16>(into.get(), inData(), -1, source.get(), scratch.get(), {0, 0, 7, 5}, mask,
                                      radius, repeat, keepDivision, progress);
    }
    static fxhost::World Blank() { return FlatWorld<PF_Pixel16>(7, 5, {1, 2, 3, 4}); }

    const fxhost::World source = PaintedWorld<PF_Pixel16>(7, 5, [](A_long x, A_long y) {
        return PF_Pixel16{32768, A_u_short(x * 3000 + y * 500), A_u_short(y * 900), A_u_short(x < 3 ? 100 : 30000)};
    });
    const Rows holes = {"#######", "##.####", "#####.#", "..#####", "#######"};
};

TEST_F(RegionBlurScheduleTest, PassesChainThroughScratchIntoTheDestination)
{
    struct Step {
        IterateWorker worker;
        A_long n;
        double variance;
    };
    const auto rows = RegionBlurRows<PF_Pixel16, BlurForm::RunLimited>;
    const auto columns = RegionBlurColumns<PF_Pixel16, BlurForm::RunLimited>;
    const PixelMask mask = DrawMask(inData(), holes);
    for (A_long repeat : {1, 2, 3}) {
        const double radius = repeat == 3 ? 8.0 : 9.0;
        std::vector<Step> steps = {{rows, 9, 81.0 / 8}, {columns, 9, 81.0 / 8}};
        if (repeat == 2) steps.push_back({rows, 3, 9.0});
        if (repeat == 3) steps = {{rows, 8, 8.0}, {columns, 8, 8.0}, {rows, 4, 16.0}, {columns, 2, 4.0}};
        fxhost::World blurred = Blank(), scratch = Blank(), chained = Blank(), other = Blank();
        ASSERT_EQ(Blur(blurred, scratch, mask, radius, repeat, true), PF_Err_NONE);
        const fxhost::World *from = &source;
        for (size_t i = 0; i < steps.size(); ++i) {
            fxhost::World &to = (steps.size() - i) % 2 == 1 ? chained : other;
            const GaussTable table = MakeGaussTable(steps[i].n, steps[i].variance);
            RegionBlurJob<PF_Pixel16> job{inData(), to.get(), from->get(), {0, 0, 7, 5}, &mask, &table};
            inData()->utils->iterate_generic(-1, &job, steps[i].worker);
            from = &to;
        }
        EXPECT_TRUE(blurred.samePixels(chained)) << "repeat " << repeat;
        EXPECT_FALSE(blurred.samePixels(Blank())) << "repeat " << repeat;
    }
}

TEST_F(RegionBlurScheduleTest, UnselectedPixelsAndAlphaAreNeverWritten)
{
    const PixelMask mask = DrawMask(inData(), holes);
    for (double radius : {1.99, 5.0})
        for (bool keepDivision : {false, true}) {
            fxhost::World blurred = Blank(), scratch = Blank();
            ASSERT_EQ(Blur(blurred, scratch, mask, radius, 4, keepDivision), PF_Err_NONE);
            for (A_long i = 0; i < 35; ++i) {
                const PF_Pixel16 &p = blurred.at<PF_Pixel16>(i % 7, i / 7), &s = source.at<PF_Pixel16>(i % 7, i / 7);
                const bool selected = mask.Row(i / 7)[i % 7] != 0;
                // Below radius 2 the selected pixels are copied whole.
                EXPECT_EQ(p.alpha, selected && radius < 2 ? 32768 : 1);
                if (!selected || radius < 2) {
                    EXPECT_EQ(V({double(p.red), double(p.green), double(p.blue)}),
                              selected ? V({double(s.red), double(s.green), double(s.blue)}) : V({2, 3, 4}));
                }
            }
        }
    EXPECT_EQ(host.progressCalls(), 0);
}

TEST_F(RegionBlurScheduleTest, ProgressCancelAndMemoryFailureEndTheSchedule)
{
    const PixelMask mask = DrawMask(inData(), holes);
    ProgressCounter progress{inData(), inData()->effect_ref, 10, 0};
    fxhost::World blurred = Blank(), scratch = Blank();
    EXPECT_EQ(Blur(blurred, scratch, mask, 4.0, 3, false, &progress), PF_Err_NONE);
    EXPECT_EQ(host.progressCalls(), 4);
    host.failNth(fxhost::Fault::Progress, 2, PF_Interrupt_CANCEL);
    EXPECT_EQ(Blur(blurred, scratch, mask, 4.0, 3, false, &progress), PF_Interrupt_CANCEL);
    EXPECT_EQ(host.progressCalls(), 6);
    // The first column pass cannot get its buffer.
    host.failNth(fxhost::Fault::HandleAllocation, 1);
    EXPECT_EQ(Blur(blurred, scratch, mask, 4.0, 3, false, &progress), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(host.progressCalls(), 7);
    EXPECT_EQ(Blur(blurred, blurred, mask, 4.0, 3, false), PF_Err_BAD_CALLBACK_PARAM);
}

}  // namespace
