#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "HostFixture.h"
#include "KernelSupport.h"
#include "PaintedWorld.h"
#include "kernels/BoundaryBlur.h"
#include "kernels/GaussTable.h"
#include "kernels/Slices.h"

namespace {

using V = std::vector<double>;
constexpr double kInf = std::numeric_limits<double>::infinity();

class BoundaryBlurTest : public HostTest {
protected:
    // One pass over a line of pixels with the given alphas and reds (green 5,
    // blue 6) into a line of {7, 7, 7, 7}: the alphas and reds written, in
    // that order, 7 where nothing was written. A one-column mask makes the
    // line a column.
    template <class Pixel>
    V Pass(IterateWorker worker, const V &alphas, const V &reds, const PixelMask &region, const PixelMask &keep,
           const GaussTable &table)
    {
        using C = decltype(Pixel::red);
        const auto size = static_cast<A_long>(reds.size());
        const A_long width = region.height == 1 ? size : 1, height = size / width;
        const fxhost::World source = PaintedWorld<Pixel>(width, height, [&](A_long x, A_long y) {
            return Pixel{static_cast<C>(alphas[x + y]), static_cast<C>(reds[x + y]), 5, 6};
        });
        fxhost::World target = FlatWorld<Pixel>(width, height, Pixel{7, 7, 7, 7});
        BoundaryBlurJob<Pixel> job{inData(), target.get(), source.get(), {0, 0, width, height}, &region, &keep, &table};
        EXPECT_EQ(inData()->utils->iterate_generic(-1, &job, worker), PF_Err_NONE);
        V alpha, red;
        for (A_long i = 0; i < size; ++i) {
            const Pixel &p = target.at<Pixel>(i % width, i / width);
            alpha.push_back(p.alpha);
            red.push_back(p.red);
        }
        alpha.insert(alpha.end(), red.begin(), red.end());
        return alpha;
    }

    PixelMask None(A_long width) { return DrawMask(inData(), {std::string(width, '.')}); }
};

constexpr auto Rows16 = BoundaryBlurRows<PF_Pixel16, BlurForm::Window>;
constexpr auto RowsFloat = BoundaryBlurRows<PF_PixelFloat, BlurForm::Window>;

TEST_F(BoundaryBlurTest, SixteenBitAlphaIsBlurredAndColourIsTheMeanOfTheOpaquePixels)
{
    const PixelMask all = DrawMask(inData(), {"###"});
    const GaussTable table = Table({4, 2, 1}, 3);
    // x = 0: (4 * 0 + 2 * 32768 + 1 * 32768 + 7 div 2) div 7; red the rounded
    // mean of the two opaque pixels, (1000 + 3001 + 1) div 2.
    EXPECT_EQ(Pass<PF_Pixel16>(Rows16, {0, 32768, 32768}, {50, 1000, 3001}, all, None(3), table),
              (V{14043, 24576, 28087, 2001, 2001, 2001}));
    // Keep-mask pixels keep their source alpha but still take the mean colour.
    EXPECT_EQ(Pass<PF_Pixel16>(Rows16, {0, 32768, 32768}, {50, 1000, 3001}, all, DrawMask(inData(), {"#.#"}), table),
              (V{0, 24576, 32768, 2001, 2001, 2001}));
    // A window of transparent pixels only: the source pixel's colour, alpha 0.
    EXPECT_EQ(Pass<PF_Pixel16>(Rows16, {0, 0, 0}, {50, 60, 70}, all, None(3), table), (V{0, 0, 0, 50, 60, 70}));
}

TEST_F(BoundaryBlurTest, SixteenBitTailAndMissingWeight)
{
    const PixelMask all = DrawMask(inData(), {"###"}), apart = DrawMask(inData(), {"#.#"});
    // Tail T = 16384: ((A div m) * T + 16384 + (S div W) * (32768 - T)) div
    // 32768; at x = 0 A div m = 2000 and S div W = 22000 div 14 = 1571.
    EXPECT_EQ(Pass<PF_Pixel16>(Rows16, {1000, 2000, 3000}, {1, 1, 1}, all, None(3), Table({8, 4, 2}, 3, 16384))[0],
              1786);
    // Without weight the term that divides by W drops out and + 16384 stays:
    // (1001 * 16384 + 16384) div 32768.
    EXPECT_EQ(Pass<PF_Pixel16>(Rows16, {1001, 1001, 1001}, {1, 1, 1}, all, None(3), Table({0}, 3, 16384)),
              (V{501, 501, 501, 1, 1, 1}));
    // Without tail and weight: the source alpha.
    EXPECT_EQ(Pass<PF_Pixel16>(Rows16, {900, 0, 800}, {10, 0, 30}, apart, None(3), Table({0, 5}, 2)),
              (V{900, 7, 800, 10, 7, 30}));
}

TEST_F(BoundaryBlurTest, FloatFormulas)
{
    const PixelMask all = DrawMask(inData(), {"###"});
    // No tail: (32768 / W) * S; x = 0 gives (2 * 0.5 + 1 * 1) / 7.
    EXPECT_EQ(Pass<PF_PixelFloat>(RowsFloat, {0, 0.5, 1}, {9, 0.25, 0.75}, all, None(3), Table({4, 2, 1}, 3)),
              (V{2.0f / 7, 0.5, 5.0f / 7, 0.5, 0.5, 0.5}));
    // Tail: (32768 / W) * (1 - T / 32768) * S + (A / m) * T / 32768.
    const V tailed =
        Pass<PF_PixelFloat>(RowsFloat, {0.25, 0.5, 0.75}, {1, 1, 1}, all, None(3), Table({8, 4, 2}, 3, 16384));
    // At x = 0: 5.5 / 14 * (1 - 1/2) + 0.5 * 1/2.
    EXPECT_FLOAT_EQ(tailed[0], 25.0 / 56);
    EXPECT_EQ(Pass<PF_PixelFloat>(RowsFloat, {0.25, 0.5, 0.75}, {1, 1, 1}, all, None(3), Table({0}, 3, 16384))[0],
              0.25);
    // Evaluated in that order: with the weighted sum first, as the region
    // blur writes its formula, this window would give another float.
    const float a0 = 0.968f, a1 = 0.759f, a2 = 0.438f;
    const double unit = 1.0 / 32768, weighted = a0 * (12 * unit) + a1 * (12 * unit) + a2 * (12 * unit);
    const double tail = (double(a0) + a1 + a2) / 3 * 4325 * unit;
    const auto textOrder = float(32768.0 / 36 * (1 - 4325 * unit) * weighted + tail);
    ASSERT_NE(textOrder, float(weighted * (32768.0 / 36) * (1 - 4325 * unit) + tail));
    EXPECT_EQ(Pass<PF_PixelFloat>(RowsFloat, {a0, a1, a2}, {1, 1, 1}, all, None(3), Table({12, 12}, 2, 4325))[1],
              textOrder);
}

TEST_F(BoundaryBlurTest, FloatSumsAreKeptInDouble)
{
    // In single precision 16777216 + 1 + 1 stays 16777216.
    const PixelMask all = DrawMask(inData(), {"###"});
    const V out = Pass<PF_PixelFloat>(RowsFloat, {1, 1, 1}, {16777216, 1, 1}, all, None(3), Table({4, 2, 1}, 3));
    EXPECT_EQ(out[4], float(16777218.0 / 3));
}

TEST_F(BoundaryBlurTest, AnInfiniteColourLeavesNoTraceOnceOutOfTheWindow)
{
    const PixelMask all = DrawMask(inData(), {"######"});
    const V out =
        Pass<PF_PixelFloat>(RowsFloat, {1, 1, 1, 1, 1, 1}, {kInf, 1, 1, 1, 1, 1}, all, None(6), Table({2, 1}, 2));
    EXPECT_EQ(V(out.begin() + 6, out.end()), (V{kInf, kInf, 1, 1, 1, 1}));
    // A NaN alpha counts as opaque: its colour enters the mean.
    const V nan = Pass<PF_PixelFloat>(RowsFloat, {std::nan(""), 0, 0}, {0.5, 0.25, 0.25}, DrawMask(inData(), {"###"}),
                                      None(3), Table({2, 1}, 2));
    EXPECT_EQ(nan[4], 0.5);
    EXPECT_EQ(nan[5], 0.25);
}

TEST_F(BoundaryBlurTest, OnlyTheWindowFormMixesAcrossAnUnselectedPixel)
{
    const PixelMask row = DrawMask(inData(), {"##.##"});
    const PixelMask column = DrawMask(inData(), {"#", "#", ".", "#", "#"});
    const PixelMask noColumn = DrawMask(inData(), {".", ".", ".", ".", "."});
    const GaussTable table = Table({4, 2, 1}, 3);
    const V alphas = {32768, 32768, 0, 0, 0}, reds = {1000, 1000, 0, 3000, 3000};
    // Run-limited: the transparent run keeps its colour and stays transparent.
    EXPECT_EQ(Pass<PF_Pixel16>(BoundaryBlurRows<PF_Pixel16, BlurForm::RunLimited>, alphas, reds, row, None(5), table),
              (V{32768, 32768, 7, 0, 0, 1000, 1000, 7, 3000, 3000}));
    // Window: x = 3 takes the colour of x = 1 and (1 * 32768 + 3) div 7.
    EXPECT_EQ(Pass<PF_Pixel16>(Rows16, alphas, reds, row, None(5), table),
              (V{32768, 28087, 7, 4681, 0, 1000, 1000, 7, 1000, 3000}));
    // The columns give the same, keep mask loaded with the column.
    EXPECT_EQ(Pass<PF_Pixel16>(BoundaryBlurColumns<PF_Pixel16, BlurForm::Window>, alphas, reds, column,
                               DrawMask(inData(), {".", "#", ".", ".", "."}), table),
              (V{32768, 32768, 7, 4681, 0, 1000, 1000, 7, 1000, 3000}));
    EXPECT_EQ(Pass<PF_PixelFloat>(BoundaryBlurColumns<PF_PixelFloat, BlurForm::RunLimited>, {1, 1, 0, 0, 0},
                                  {0.25, 0.25, 0, 0.75, 0.75}, column, noColumn, table),
              (V{1, 1, 7, 0, 0, 0.25, 0.25, 7, 0.75, 0.75}));
}

// The mean colour is the rounded integer quotient also where the sums are
// largest: the widest window without a tail (599 pixels) of colours near
// full 16-bit scale, with transparent pixels changing the count.
TEST_F(BoundaryBlurTest, SixteenBitMeanColourIsExactInTheWidestWindow)
{
    constexpr A_long kLength = 700;
    unsigned state = 4242;
    const auto next = [&state] { return state = state * 1103515245u + 12345u, (state >> 16) & 0x7FFF; };
    std::vector<PF_Pixel16> pixels(kLength);
    for (PF_Pixel16 &p : pixels)
        p = {static_cast<A_u_short>(next() % 4 == 0 ? 0 : 32768), static_cast<A_u_short>(65535 - next() % 64),
             static_cast<A_u_short>(next() * 2), static_cast<A_u_short>(next() % 7)};
    const fxhost::World source = PaintedWorld<PF_Pixel16>(kLength, 1, [&](A_long x, A_long) { return pixels[x]; });
    fxhost::World target = FlatWorld<PF_Pixel16>(kLength, 1, PF_Pixel16{7, 7, 7, 7});
    const PixelMask region = DrawMask(inData(), {std::string(kLength, '#')}), keep = None(kLength);
    const GaussTable table = MakeGaussTable(300, 300.0 * 300.0 / 8);
    ASSERT_EQ(table.tailTotal, 0);
    BoundaryBlurJob<PF_Pixel16> job{inData(), target.get(), source.get(), {0, 0, kLength, 1}, &region, &keep, &table};
    ASSERT_EQ(inData()->utils->iterate_generic(-1, &job, Rows16), PF_Err_NONE);
    for (A_long x = 0; x < kLength; ++x) {
        A_u_long count = 0, red = 0, green = 0, blue = 0;
        for (A_long p = std::max<A_long>(0, x - 299); p <= std::min<A_long>(kLength - 1, x + 299); ++p) {
            if (pixels[p].alpha == 0) continue;
            ++count;
            red += pixels[p].red;
            green += pixels[p].green;
            blue += pixels[p].blue;
        }
        const PF_Pixel16 &got = target.at<PF_Pixel16>(x, 0);
        ASSERT_EQ(got.red, (red + count / 2) / count) << "at " << x;
        ASSERT_EQ(got.green, (green + count / 2) / count) << "at " << x;
        ASSERT_EQ(got.blue, (blue + count / 2) / count) << "at " << x;
    }
}

// A column pass over a frame gives what the row pass gives over the frame
// turned on its side: the two passes are written apart (rows a piece at a
// time, columns in strips down a ring of rows with running totals), so each
// checks the other. The frame has runs, transparent pixels, keep pixels and a
// band of empty rows wider than the kernel, after which the columns' totals
// start again.
TEST_F(BoundaryBlurTest, ColumnPassesAgreeWithRowPassesOfTheTurnedFrame)
{
    constexpr A_long kWidth = 37, kHeight = 45;
    unsigned state = 12345;
    const auto next = [&state] { return state = state * 1103515245u + 12345u, (state >> 16) & 0x7FFF; };
    std::vector<PF_Pixel16> pixels(kWidth * kHeight);
    Rows region(kHeight, std::string(kWidth, '.')), keep = region;
    for (A_long y = 0; y < kHeight; ++y)
        for (A_long x = 0; x < kWidth; ++x) {
            const A_u_short alpha = next() % 3 == 0 ? 0 : static_cast<A_u_short>(next() % 32769);
            pixels[y * kWidth + x] = {alpha, static_cast<A_u_short>(next()), static_cast<A_u_short>(next()),
                                      static_cast<A_u_short>(next())};
            const bool emptyBand = y >= 15 && y < 28;
            if (!emptyBand && next() % 5 != 0) region[y][x] = '#';
            if (next() % 7 == 0) keep[y][x] = '#';
        }
    const GaussTable table = MakeGaussTable(5, 25.0 / 8);
    const auto turned = [](const Rows &rows) {
        Rows out(rows[0].size(), std::string(rows.size(), '.'));
        for (size_t y = 0; y < rows.size(); ++y)
            for (size_t x = 0; x < rows[0].size(); ++x) out[x][y] = rows[y][x];
        return out;
    };
    const auto pass = [&](IterateWorker worker, bool turn) {
        const A_long width = turn ? kHeight : kWidth, height = turn ? kWidth : kHeight;
        const fxhost::World source = PaintedWorld<PF_Pixel16>(width, height, [&](A_long x, A_long y) {
            return turn ? pixels[x * kWidth + y] : pixels[y * kWidth + x];
        });
        fxhost::World target = FlatWorld<PF_Pixel16>(width, height, PF_Pixel16{7, 7, 7, 7});
        const PixelMask regionMask = DrawMask(inData(), turn ? turned(region) : region);
        const PixelMask keepMask = DrawMask(inData(), turn ? turned(keep) : keep);
        BoundaryBlurJob<PF_Pixel16> job{inData(), target.get(), source.get(), {0, 0, width, height},
                                        &regionMask, &keepMask, &table};
        EXPECT_EQ(inData()->utils->iterate_generic(-1, &job, worker), PF_Err_NONE);
        std::vector<PF_Pixel16> out(kWidth * kHeight);
        for (A_long y = 0; y < kHeight; ++y)
            for (A_long x = 0; x < kWidth; ++x)
                out[y * kWidth + x] = turn ? target.at<PF_Pixel16>(y, x) : target.at<PF_Pixel16>(x, y);
        return out;
    };
    EXPECT_EQ(pass(BoundaryBlurColumns<PF_Pixel16, BlurForm::Window>, false),
              pass(BoundaryBlurRows<PF_Pixel16, BlurForm::Window>, true));
    EXPECT_EQ(pass(BoundaryBlurColumns<PF_Pixel16, BlurForm::RunLimited>, false),
              pass(BoundaryBlurRows<PF_Pixel16, BlurForm::RunLimited>, true));
}

// Every 16-bit pass against the formula worked pixel by pixel, on a frame of
// solid areas (whose pixels have their whole window selected and are summed
// without bounds) beside holes, edges, transparent pixels and pixels whose
// alpha the keep mask holds.
class BoundaryBlurFormulaTest : public HostTest {
protected:
    static constexpr A_long kWidth = 45, kHeight = 50;

    BoundaryBlurFormulaTest()
    {
        unsigned state = 77;
        const auto next = [&state] { return state = state * 1103515245u + 12345u, (state >> 16) & 0x7FFF; };
        for (A_long y = 0; y < kHeight; ++y)
            for (A_long x = 0; x < kWidth; ++x) {
                const bool hole = (x % 19 == 11 && y % 17 < 4) || (y == 30 && x > 20) || (x == 40 && y < 9);
                region[y][x] = hole ? '.' : '#';
                if (next() % 11 == 0) keep[y][x] = '#';
                const A_u_short alpha = x + y < 12 || next() % 9 == 0 ? 0 : static_cast<A_u_short>(next() % 32769);
                pixels[y * kWidth + x] = {alpha, static_cast<A_u_short>(next() * 2), static_cast<A_u_short>(next()),
                                          static_cast<A_u_short>(next() % 32769)};
            }
    }

    // The pass's output for the selected pixel `at` of a line: the window's
    // taps weigh the alpha, the opaque pixels give the mean colour.
    template <class PixelAt, class Counted>
    static PF_Pixel16 Expected(const PixelAt &pixel, const Counted &counted, bool keep, A_long length, A_long at,
                               BlurForm form, const GaussTable &table)
    {
        A_long lo, hi;
        FormulaWindow(counted, length, at, form, table, lo, hi);
        A_u_short weight = 0;
        A_u_long weighted = 0, opaque = 0, sums[3] = {};
        for (A_long p = lo; p <= hi; ++p) {
            if (!counted(p)) continue;
            const PF_Pixel16 v = pixel(p);
            const A_u_short tap = table.taps[std::abs(p - at)];
            weight = static_cast<A_u_short>(weight + tap);
            weighted += static_cast<A_u_long>(tap) * v.alpha;
            if (v.alpha == 0) continue;
            ++opaque;
            sums[0] += v.red;
            sums[1] += v.green;
            sums[2] += v.blue;
        }
        PF_Pixel16 out = pixel(at);
        if (opaque != 0) {
            out.red = static_cast<A_u_short>((sums[0] + opaque / 2) / opaque);
            out.green = static_cast<A_u_short>((sums[1] + opaque / 2) / opaque);
            out.blue = static_cast<A_u_short>((sums[2] + opaque / 2) / opaque);
        }
        if (!keep && weight != 0) out.alpha = static_cast<A_u_short>((weighted + weight / 2) / weight);
        return out;
    }

    void Check(IterateWorker worker, bool rows, BlurForm form)
    {
        const fxhost::World input = PaintedWorld<PF_Pixel16>(
            kWidth, kHeight, [&](A_long x, A_long y) { return pixels[y * kWidth + x]; });
        fxhost::World target = FlatWorld<PF_Pixel16>(kWidth, kHeight, PF_Pixel16{7, 7, 7, 7});
        const PixelMask regionMask = DrawMask(inData(), region), keepMask = DrawMask(inData(), keep);
        const GaussTable table = MakeGaussTable(4, 2.0);
        BoundaryBlurJob<PF_Pixel16> job{inData(), target.get(), input.get(), {0, 0, kWidth, kHeight},
                                        &regionMask, &keepMask, &table};
        ASSERT_EQ(inData()->utils->iterate_generic(-1, &job, worker), PF_Err_NONE);
        for (A_long y = 0; y < kHeight; ++y)
            for (A_long x = 0; x < kWidth; ++x) {
                PF_Pixel16 expected{7, 7, 7, 7};
                if (region[y][x] == '#') {
                    const auto pixel = [&](A_long p) { return rows ? pixels[y * kWidth + p] : pixels[p * kWidth + x]; };
                    const auto counted = [&](A_long p) { return (rows ? region[y][p] : region[p][x]) == '#'; };
                    expected = Expected(pixel, counted, keep[y][x] == '#', rows ? kWidth : kHeight, rows ? x : y,
                                        form, table);
                }
                const PF_Pixel16 &got = target.at<PF_Pixel16>(x, y);
                ASSERT_EQ(std::memcmp(&got, &expected, sizeof got), 0)
                    << "at " << x << "," << y << (rows ? " rows" : " columns") << ": alpha " << got.alpha << " red "
                    << got.red << ", expected " << expected.alpha << " " << expected.red;
            }
    }

    Rows region = Rows(kHeight, std::string(kWidth, '#')), keep = Rows(kHeight, std::string(kWidth, '.'));
    std::vector<PF_Pixel16> pixels = std::vector<PF_Pixel16>(kWidth * kHeight);
};

TEST_F(BoundaryBlurFormulaTest, SixteenBitPasses)
{
    Check(BoundaryBlurRows<PF_Pixel16, BlurForm::Window>, true, BlurForm::Window);
    Check(BoundaryBlurRows<PF_Pixel16, BlurForm::RunLimited>, true, BlurForm::RunLimited);
    Check(BoundaryBlurColumns<PF_Pixel16, BlurForm::Window>, false, BlurForm::Window);
    Check(BoundaryBlurColumns<PF_Pixel16, BlurForm::RunLimited>, false, BlurForm::RunLimited);
}

class AlphaGainAndBiasTest : public HostTest {
protected:
    template <class Pixel>
    V Alphas(const fxhost::World &world)
    {
        V alphas;
        for (A_long x = 0; x < world.width(); ++x) alphas.push_back(world.at<Pixel>(x, 0).alpha);
        return alphas;
    }

    V Bias16(const V &alphas, double bias, const Rows &mask)
    {
        fxhost::World world = Line16(alphas);
        EXPECT_EQ(
            BoundaryBias<PF_Pixel16>(inData(), world.get(), {0, 0, world.width(), 1}, DrawMask(inData(), mask), bias),
            PF_Err_NONE);
        return Alphas<PF_Pixel16>(world);
    }
    V BiasFloat(const V &alphas, double bias)
    {
        fxhost::World world = PaintedWorld<PF_PixelFloat>(static_cast<A_long>(alphas.size()), 1, [&](A_long x, A_long) {
            return PF_PixelFloat{static_cast<float>(alphas[x]), 0.5f, 0.5f, 0.5f};
        });
        EXPECT_EQ(BoundaryBias<PF_PixelFloat>(inData(), world.get(), {0, 0, world.width(), 1},
                                              DrawMask(inData(), {std::string(alphas.size(), '#')}), bias),
                  PF_Err_NONE);
        return Alphas<PF_PixelFloat>(world);
    }
    static fxhost::World Line16(const V &alphas)
    {
        return PaintedWorld<PF_Pixel16>(static_cast<A_long>(alphas.size()), 1, [&](A_long x, A_long) {
            return PF_Pixel16{static_cast<A_u_short>(alphas[x]), 1, 2, 3};
        });
    }
};

TEST_F(AlphaGainAndBiasTest, AlphaGainScalesEveryPixelOfTheRectangleAndClips)
{
    fxhost::World world = Line16({3, 19660, 19661, 20000, 32768, 9});
    ASSERT_EQ(AlphaGain<PF_Pixel16>(inData(), world.get(), {0, 0, 5, 1}, 2.0), PF_Err_NONE);
    // 5/3 for radius 2, truncated, clipped at 32768; the pixel outside the
    // rectangle is left alone and colour is untouched.
    EXPECT_EQ(Alphas<PF_Pixel16>(world), (V{5, 32766, 32768, 32768, 32768, 9}));
    EXPECT_EQ(world.at<PF_Pixel16>(0, 0).red, 1);

    fxhost::World floats = PaintedWorld<PF_PixelFloat>(3, 1, [](A_long x, A_long) {
        return PF_PixelFloat{x == 0 ? 0.3f : x == 1 ? 0.9f : std::nanf(""), 0, 0, 0};
    });
    ASSERT_EQ(AlphaGain<PF_PixelFloat>(inData(), floats.get(), {0, 0, 3, 1}, 2.0), PF_Err_NONE);
    const V gained = Alphas<PF_PixelFloat>(floats);
    EXPECT_EQ(gained[0], float(0.3f * 5.0 / 3));
    EXPECT_EQ(gained[1], 1.0);
    EXPECT_TRUE(std::isnan(gained[2]));
}

// Transparent and full alphas keep their bits under a gain of at least 1 (a
// zero keeps its sign), and take the formula under a smaller one.
TEST_F(AlphaGainAndBiasTest, AlphaGainOfTransparentAndFullPixels)
{
    fxhost::World world = Line16({0, 32768, 16384});
    ASSERT_EQ(AlphaGain<PF_Pixel16>(inData(), world.get(), {0, 0, 3, 1}, -0.25), PF_Err_NONE);
    // (2d + 1) / (d + 1) = 2/3.
    EXPECT_EQ(Alphas<PF_Pixel16>(world), (V{0, 21845, 10922}));

    fxhost::World floats = PaintedWorld<PF_PixelFloat>(3, 1, [](A_long x, A_long) {
        return PF_PixelFloat{x == 0 ? -0.0f : x == 1 ? 1.0f : 0.0f, 0, 0, 0};
    });
    ASSERT_EQ(AlphaGain<PF_PixelFloat>(inData(), floats.get(), {0, 0, 3, 1}, 0.0), PF_Err_NONE);
    EXPECT_TRUE(std::signbit(floats.at<PF_PixelFloat>(0, 0).alpha));
    EXPECT_EQ(Alphas<PF_PixelFloat>(floats), (V{0, 1, 0}));
    ASSERT_EQ(AlphaGain<PF_PixelFloat>(inData(), floats.get(), {0, 0, 3, 1}, -0.75), PF_Err_NONE);
    // A gain of -2: the full pixel becomes -2, the positive zero negative.
    EXPECT_EQ(Alphas<PF_PixelFloat>(floats), (V{0, -2, 0}));
    EXPECT_TRUE(std::signbit(floats.at<PF_PixelFloat>(2, 0).alpha));
}

TEST_F(AlphaGainAndBiasTest, SixteenBitBiasAtItsEnds)
{
    // Bias 0: the curve spans the whole range.
    EXPECT_EQ(Bias16({32768, 16384, 1, 0}, 0, {"####"}), (V{32768, 16383, 0, 0}));
    // Bias 100: E = 32767, F = 1; alphas below 3276 give 0, from 3278 32768.
    EXPECT_EQ(Bias16({3275, 3276, 3277, 3278, 20000}, 100, {"#####"}), (V{0, 0, 32768, 32768, 32768}));
    // Unselected pixels are left alone.
    EXPECT_EQ(Bias16({16384, 16384}, 0, {".#"}), (V{16384, 16383}));
}

TEST_F(AlphaGainAndBiasTest, SixteenBitBiasFormsItsEdgeInSinglePrecision)
{
    // b = 21.395: b / 100 * 32767 is 7011 rounded in single precision, 7010 in
    // double; E div 10 = 701 either way, F differs.
    const auto curve = [](A_long e, A_long a) {
        return std::trunc((1 - std::cos(3.141592653589793 * (a - e / 10) / (32768 - e))) * 0.5 * 32768);
    };
    ASSERT_NE(curve(7011, 20000), curve(7010, 20000));
    EXPECT_EQ(Bias16({20000}, 21.395, {"#"}), (V{curve(7011, 20000)}));
}

TEST_F(AlphaGainAndBiasTest, FloatBias)
{
    // Bias 0: (1 - cos(pi * a)) / 2; a transparent pixel stays transparent.
    EXPECT_EQ(BiasFloat({0.5, 1, 0, 0.25}, 0), (V{float((1 - std::cos(3.141592653589793 * 0.5)) * 0.5), 1, 0,
                                                  float((1 - std::cos(3.141592653589793 * 0.25)) * 0.5)}));
    // f is formed in single precision: for b = 0.1 the float f / 10 lies
    // above this alpha, the double one below it.
    const float alpha = 9.99999902e-05f;
    ASSERT_GT(double(alpha), 0.1 / 100 * 0.9999998807907104 / 10);
    EXPECT_EQ(BiasFloat({alpha}, 0.1), (V{0}));
    EXPECT_EQ(BiasFloat({0.05, 0.2}, 100), (V{0, 1}));
}

TEST_F(AlphaGainAndBiasTest, BiasOutsideItsRangeIsRefused)
{
    fxhost::World world = Line16({100});
    for (double bias : {-0.5, 100.5, std::nan("")})
        EXPECT_EQ(BoundaryBias<PF_Pixel16>(inData(), world.get(), {0, 0, 1, 1}, DrawMask(inData(), {"#"}), bias),
                  PF_Err_BAD_CALLBACK_PARAM);
}

class BoundaryScheduleTest : public HostTest {
protected:
    template <class Pixel>
    static fxhost::World Blank()
    {
        return FlatWorld<Pixel>(7, 5, Pixel{1, 2, 3, 4});
    }
    // A feathered colour: alpha falling off to the right, two colours.
    template <class Pixel>
    static fxhost::World Source()
    {
        using C = decltype(Pixel::red);
        const double scale = sizeof(C) == 2 ? 32768 : 1;
        return PaintedWorld<Pixel>(7, 5, [scale](A_long x, A_long y) {
            return Pixel{static_cast<C>(scale * (x < 3    ? 1
                                                 : x == 6 ? 0
                                                          : 0.5)),
                         static_cast<C>(scale * y / 8), static_cast<C>(scale / 4),
                         static_cast<C>(scale * (x < 2 ? 0.75 : 0.125))};
        });
    }
    const Rows region = {"#######", "##.####", "#####.#", "..#####", "#######"};
    const Rows keep = {"#......", ".......", "...#...", ".......", "......#"};

    template <class Pixel>
    void ChainMatchesSchedule(bool keepDivision)
    {
        const PixelMask regionMask = DrawMask(inData(), region), keepMask = DrawMask(inData(), keep);
        const fxhost::World source = Source<Pixel>();
        const PF_LRect rect = {0, 0, 7, 5};
        const BlurForm form = keepDivision ? BlurForm::RunLimited : BlurForm::Window;
        const auto rows = form == BlurForm::RunLimited ? BoundaryBlurRows<Pixel, BlurForm::RunLimited>
                                                       : BoundaryBlurRows<Pixel, BlurForm::Window>;
        const auto columns = form == BlurForm::RunLimited ? BoundaryBlurColumns<Pixel, BlurForm::RunLimited>
                                                          : BoundaryBlurColumns<Pixel, BlurForm::Window>;
        // Radius 8, repeat 2: rows and columns with n = 8, variance 8, then
        // rows with radius 8 / sqrt(8): n = 3, variance its square; AlphaGain
        // after the first row pass.
        fxhost::World blurred = Blank<Pixel>(), scratch = Blank<Pixel>();
        ASSERT_EQ(BoundaryBlur<Pixel>(blurred.get(), inData(), -1, source.get(), scratch.get(), rect, regionMask,
                                      keepMask, 8.0, 2, keepDivision, nullptr),
                  PF_Err_NONE);
        fxhost::World first = Blank<Pixel>(), second = Blank<Pixel>(), third = Blank<Pixel>();
        const double later = 8.0 / std::pow(8.0, 1.0 / 2);
        const GaussTable wide = MakeGaussTable(8, 8.0), narrow = MakeGaussTable(3, later * later);
        BoundaryBlurJob<Pixel> job{inData(), first.get(), source.get(), rect, &regionMask, &keepMask, &wide};
        inData()->utils->iterate_generic(-1, &job, rows);
        ASSERT_EQ(AlphaGain<Pixel>(inData(), first.get(), rect, 8.0), PF_Err_NONE);
        job.source = first.get();
        job.destination = second.get();
        inData()->utils->iterate_generic(-1, &job, columns);
        job.source = second.get();
        job.destination = third.get();
        job.table = &narrow;
        inData()->utils->iterate_generic(-1, &job, rows);
        EXPECT_TRUE(blurred.samePixels(third)) << keepDivision;
        EXPECT_FALSE(blurred.samePixels(Blank<Pixel>()));
    }
};

TEST_F(BoundaryScheduleTest, AlphaGainRunsRightAfterTheFirstRowPass)
{
    for (bool keepDivision : {false, true}) {
        ChainMatchesSchedule<PF_Pixel16>(keepDivision);
        ChainMatchesSchedule<PF_PixelFloat>(keepDivision);
    }
}

TEST_F(BoundaryScheduleTest, AlphaGainAlsoRaisesPixelsOutsideTheRegion)
{
    // Repeat 2: the first row pass, and with it AlphaGain, writes the
    // destination, whose pixels outside the region no later pass writes.
    const PixelMask regionMask = DrawMask(inData(), region), keepMask = DrawMask(inData(), keep);
    const fxhost::World source = Source<PF_Pixel16>();
    fxhost::World blurred = FlatWorld<PF_Pixel16>(7, 5, {3000, 2, 3, 4}), scratch = Blank<PF_Pixel16>();
    ASSERT_EQ(BoundaryBlur<PF_Pixel16>(blurred.get(), inData(), -1, source.get(), scratch.get(), {0, 0, 7, 5},
                                       regionMask, keepMask, 2.0, 2, true, nullptr),
              PF_Err_NONE);
    EXPECT_EQ(blurred.at<PF_Pixel16>(2, 1), (PF_Pixel16{5000, 2, 3, 4}));
    EXPECT_EQ(blurred.at<PF_Pixel16>(0, 3), (PF_Pixel16{5000, 2, 3, 4}));
}

TEST_F(BoundaryScheduleTest, BelowRadiusTwoTheRegionIsCopied)
{
    const PixelMask regionMask = DrawMask(inData(), region), keepMask = DrawMask(inData(), keep);
    const fxhost::World source = Source<PF_Pixel16>();
    fxhost::World blurred = Blank<PF_Pixel16>(), scratch = Blank<PF_Pixel16>();
    ASSERT_EQ(BoundaryBlur<PF_Pixel16>(blurred.get(), inData(), -1, source.get(), scratch.get(), {0, 0, 7, 5},
                                       regionMask, keepMask, 1.5, 3, true, nullptr),
              PF_Err_NONE);
    for (A_long y = 0; y < 5; ++y)
        for (A_long x = 0; x < 7; ++x)
            EXPECT_EQ(blurred.at<PF_Pixel16>(x, y).alpha, region[y][x] == '#' ? source.at<PF_Pixel16>(x, y).alpha : 1);
    EXPECT_TRUE(scratch.samePixels(Blank<PF_Pixel16>()));
}

TEST_F(BoundaryScheduleTest, ProgressCancelAndMemoryFailureEndTheSchedule)
{
    const PixelMask regionMask = DrawMask(inData(), region), keepMask = DrawMask(inData(), keep);
    const fxhost::World source = Source<PF_PixelFloat>();
    fxhost::World blurred = Blank<PF_PixelFloat>(), scratch = Blank<PF_PixelFloat>();
    ProgressCounter progress{inData(), inData()->effect_ref, 10, 0};
    const auto blur = [&](const PixelMask &keepWith) {
        return BoundaryBlur<PF_PixelFloat>(blurred.get(), inData(), -1, source.get(), scratch.get(), {0, 0, 7, 5},
                                           regionMask, keepWith, 4.0, 3, false, &progress);
    };
    EXPECT_EQ(blur(keepMask), PF_Err_NONE);
    EXPECT_EQ(host.progressCalls(), 4);
    host.failNth(fxhost::Fault::Progress, 2, PF_Interrupt_CANCEL);
    EXPECT_EQ(blur(keepMask), PF_Interrupt_CANCEL);
    host.failNth(fxhost::Fault::HandleAllocation, 1);
    EXPECT_EQ(blur(keepMask), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(blur(DrawMask(inData(), {"#"})), PF_Err_BAD_CALLBACK_PARAM);
}

}  // namespace
