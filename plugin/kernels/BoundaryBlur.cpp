#include "kernels/BoundaryBlur.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "AE_EffectCB.h"
#include "kernels/BlurSchedule.h"
#include "kernels/KernelArea.h"
#include "kernels/Simd.h"
#include "kernels/Slices.h"

namespace {

constexpr A_u_long kFullScale16 = 32768;
constexpr double kPi = 3.141592653589793;
// Columns walked side by side by a column pass.
constexpr A_long kStripColumns = 16;

// The plain sums of a window: A, the alpha over every pixel, then over the
// non-transparent pixels only their number m' and their colour sums.
enum Term { kAlphaSum, kOpaqueCount, kRedSum, kGreenSum, kBlueSum, kTermCount };

template <class P, class V>
struct BoundaryTerms {
    using Pixel = P;
    using Value = V;
    static constexpr int kCount = kTermCount;
    static void Of(const Pixel &p, Value *v)
    {
        // A NaN alpha counts as non-transparent.
        const bool opaque = p.alpha != 0;
        v[kAlphaSum] = p.alpha;
        v[kOpaqueCount] = opaque ? 1 : 0;
        v[kRedSum] = opaque ? p.red : 0;
        v[kGreenSum] = opaque ? p.green : 0;
        v[kBlueSum] = opaque ? p.blue : 0;
    }
};

template <class Pixel>
struct Depth;

// 16-bit: 32-bit integer sums, divisions truncating.
template <>
struct Depth<PF_Pixel16> {
    using Plain = WindowSums<BoundaryTerms<PF_Pixel16, A_u_long>>;
    struct Weighted {
        A_u_short weight = 0;  // W, wrapping as the table's 16-bit weights do
        A_u_long alpha = 0;    // S
    };

    static void Accumulate(Weighted &w, const PF_Pixel16 &p, A_u_short tap)
    {
        w.weight = static_cast<A_u_short>(w.weight + tap);
        w.alpha += static_cast<A_u_long>(tap) * p.alpha;
    }

    // With a tail T: ((A div m) * T + 16384 + (S div W) * (32768 - T)) div
    // 32768, the term that divides by W left out without weight. Without a
    // tail: (S + W div 2) div W, or the source alpha without weight.
    static A_u_short BlurredAlpha(const PF_Pixel16 &src, const Weighted &w, const Plain::Totals &plain,
                                  A_u_short tailTotal)
    {
        const A_u_long weight = w.weight;
        if (tailTotal == 0) return weight == 0 ? src.alpha : static_cast<A_u_short>((w.alpha + weight / 2) / weight);
        const A_u_long tail = tailTotal;
        A_u_long value = plain.sum[kAlphaSum] / static_cast<A_u_long>(plain.count) * tail + 16384;
        if (weight != 0) value += w.alpha / weight * (kFullScale16 - tail);
        return static_cast<A_u_short>(value / kFullScale16);
    }

    // The rounded mean colour of the non-transparent pixels; without any, the
    // source pixel whole.
    static void StoreColour(PF_Pixel16 &out, const PF_Pixel16 &src, const Plain::Totals &plain)
    {
        const A_u_long count = plain.sum[kOpaqueCount];
        if (count == 0) {
            out = src;
            return;
        }
        const auto mean = [count](A_u_long sum) { return static_cast<A_u_short>((sum + count / 2) / count); };
        out.red = mean(plain.sum[kRedSum]);
        out.green = mean(plain.sum[kGreenSum]);
        out.blue = mean(plain.sum[kBlueSum]);
    }

    static A_u_short Gain(A_u_short alpha, double radius)
    {
        const double gained = alpha * (2 * radius + 1) / (radius + 1);
        return static_cast<A_u_short>(std::min<A_u_long>(static_cast<A_u_long>(gained), kFullScale16));
    }
    static constexpr A_u_short kOpaque = kFullScale16;

    // E = trunc(b / 100 * 32767 + 0.5), the product formed in single
    // precision; the curve runs from E div 10 over F = 32768 - E.
    struct Bias {
        A_long low, high, span;
        explicit Bias(double bias)
        {
            const float scaled = static_cast<float>(bias) / 100.0f * 32767.0f;
            const auto e = static_cast<A_long>(static_cast<double>(scaled) + 0.5);
            low = e / 10;
            high = 32768 - 9 * e / 10;
            span = 32768 - e;
        }
        A_u_short operator()(A_u_short a) const
        {
            if (a < low) return 0;
            if (a >= high) return kFullScale16;
            return static_cast<A_u_short>((1 - std::cos(kPi * (a - low) / span)) * 0.5 * 32768);
        }
    };
};

// Float: sums in double, results stored unclamped.
template <>
struct Depth<PF_PixelFloat> {
    using Plain = WindowSums<BoundaryTerms<PF_PixelFloat, double>>;
    struct Weighted {
        A_u_short weight = 0;
        double alpha = 0.0;
    };

    static void Accumulate(Weighted &w, const PF_PixelFloat &p, A_u_short tap)
    {
        w.weight = static_cast<A_u_short>(w.weight + tap);
        w.alpha += p.alpha * (tap * kTapUnit);
    }

    // (32768 / W) * (1 - T / 32768) * S + (A / m) * T / 32768, only the last
    // term without weight; without a tail (32768 / W) * S, or the source
    // alpha without weight.
    static PF_FpShort BlurredAlpha(const PF_PixelFloat &src, const Weighted &w, const Plain::Totals &plain,
                                   A_u_short tailTotal)
    {
        if (tailTotal == 0) return w.weight == 0 ? src.alpha : static_cast<PF_FpShort>(32768.0 / w.weight * w.alpha);
        const double tail = plain.sum[kAlphaSum] / plain.count * tailTotal * kTapUnit;
        if (w.weight == 0) return static_cast<PF_FpShort>(tail);
        return static_cast<PF_FpShort>(32768.0 / w.weight * (1.0 - tailTotal * kTapUnit) * w.alpha + tail);
    }

    static void StoreColour(PF_PixelFloat &out, const PF_PixelFloat &src, const Plain::Totals &plain)
    {
        const double count = plain.sum[kOpaqueCount];
        if (count == 0) {
            out = src;
            return;
        }
        out.red = static_cast<PF_FpShort>(plain.sum[kRedSum] / count);
        out.green = static_cast<PF_FpShort>(plain.sum[kGreenSum] / count);
        out.blue = static_cast<PF_FpShort>(plain.sum[kBlueSum] / count);
    }

    // Clipped at 1.0 so that a NaN alpha stays NaN.
    static PF_FpShort Gain(PF_FpShort alpha, double radius)
    {
        const double gained = alpha * (2 * radius + 1) / (radius + 1);
        return static_cast<PF_FpShort>(1.0 < gained ? 1.0 : gained);
    }
    static constexpr PF_FpShort kOpaque = 1.0f;

    // f = b / 100 * (1 - 2^-23) in single precision; the curve runs from f / 10
    // over g = 1 - f.
    struct Bias {
        double low, high, span;
        explicit Bias(double bias)
        {
            const float f = static_cast<float>(bias) / 100.0f * 0.9999998807907104f;
            low = f / 10.0;
            high = 1.0 - 9.0 * f / 10.0;
            span = 1.0 - f;
        }
        PF_FpShort operator()(PF_FpShort a) const
        {
            if (a < low) return 0.0f;
            if (a >= high) return 1.0f;
            return static_cast<PF_FpShort>((1 - std::cos(kPi * (a - low) / span)) * 0.5);
        }
    };
};

// The output for the region-selected pixel x of a line (a row, or a column
// read in place) whose window is [lo, hi], plain holding the window's sums.
template <class Pixel, BlurForm Form, class In, class Selected>
void BoundaryPixel(const In &in, const Selected &region, bool keep, A_long x, A_long lo, A_long hi,
                   const GaussTable &table, const typename Depth<Pixel>::Plain &plain, Pixel &target)
{
    using D = Depth<Pixel>;
    typename D::Weighted weighted;
    ForEachTap<Form>(region, x, lo, hi, table, [&](A_long p, A_u_short tap) { D::Accumulate(weighted, in[p], tap); });
    const typename D::Plain::Totals totals = plain.Sum(in, region, lo, hi);
    D::StoreColour(target, in[x], totals);
    target.alpha = keep ? in[x].alpha : D::BlurredAlpha(in[x], weighted, totals, table.tailTotal);
}

// The vector passes need no tail and at most the stored taps, so that the
// weighted taps cover the whole window.
bool FastTable(const GaussTable &table) { return table.tailTotal == 0 && table.n <= kStoredTaps; }

}  // namespace

SIMD_BASELINE_BEGIN
#include "kernels/BoundaryBlurSimd.inl"
SIMD_BASELINE_END

SIMD_AVX2_BEGIN
#include "kernels/BoundaryBlurSimd.inl"
SIMD_AVX2_END

SIMD_AVX512_BEGIN
#include "kernels/BoundaryBlurSimd.inl"
SIMD_AVX512_END

namespace {

template <class Pixel>
IterateWorker PassWorker(bool rows, bool keepDivision)
{
    if (rows)
        return keepDivision ? BoundaryBlurRows<Pixel, BlurForm::RunLimited> : BoundaryBlurRows<Pixel, BlurForm::Window>;
    return keepDivision ? BoundaryBlurColumns<Pixel, BlurForm::RunLimited>
                        : BoundaryBlurColumns<Pixel, BlurForm::Window>;
}

template <class Pixel>
struct AlphaGainJob {
    PF_EffectWorld *world;
    PF_LRect area;
    double radius;

    A_long Lines() const { return AreaHeight(area); }
    PF_Err Run(Slice slice)
    {
        // Transparent and opaque alphas, most of a feathered world's, stay
        // as they are for a radius of 0 or more: the gain is then at least
        // 1, and clips at full scale. Their lines are left unwritten.
        const bool unchanged = radius >= 0;
        for (A_long y = slice.begin; y < slice.end; ++y) {
            Pixel *row = PixelRow<Pixel>(world, area.top + y) + area.left;
            for (A_long x = 0; x < AreaWidth(area); ++x) {
                const auto alpha = row[x].alpha;
                if (!(unchanged && (alpha == 0 || alpha == Depth<Pixel>::kOpaque)))
                    row[x].alpha = Depth<Pixel>::Gain(alpha, radius);
            }
        }
        return PF_Err_NONE;
    }
};

template <class Pixel>
struct BiasJob {
    PF_EffectWorld *world;
    PF_LRect area;
    const PixelMask *mask;
    typename Depth<Pixel>::Bias bias;

    A_long Lines() const { return AreaHeight(area); }
    PF_Err Run(Slice slice)
    {
        for (A_long y = slice.begin; y < slice.end; ++y) {
            Pixel *row = PixelRow<Pixel>(world, area.top + y) + area.left;
            const A_u_char *selected = mask->Row(y);
            // The bias leaves a full alpha full, and its line unwritten.
            for (A_long x = 0; x < AreaWidth(area); ++x) {
                const auto alpha = row[x].alpha;
                if (selected[x] != 0 && alpha != 0 && alpha != Depth<Pixel>::kOpaque) row[x].alpha = bias(alpha);
            }
        }
        return PF_Err_NONE;
    }
};

}  // namespace

template <class Pixel, BlurForm Form>
PF_Err BoundaryBlurRows(void *refcon, A_long /*thread*/, A_long index, A_long slices)
{
    const auto &job = *static_cast<const BoundaryBlurJob<Pixel> *>(refcon);
    const GaussTable &table = *job.table;
    const A_long width = AreaWidth(job.rect);
    BlurRows<Pixel, 2>(job.source, job.destination, job.rect, {job.regionMask, job.keepMask},
                       SliceOf(AreaHeight(job.rect), index, slices),
                       [&](A_long y, const Pixel *in, const MaskPlanes<2> &planes, Pixel *out) {
                           if (FastTable(table)) {
                               SIMD_DISPATCH(BoundaryRowFast<Form>(in, job.regionMask->Row(y), job.keepMask->Row(y),
                                                                   width, table, out));
                               return;
                           }
                           typename Depth<Pixel>::Plain plain;
                           WalkWindows<Form>(RowView(in), planes[0], width, table.n - 1, plain,
                                             [&](A_long x, A_long lo, A_long hi) {
                                                 BoundaryPixel<Pixel, Form>(RowView(in), planes[0], planes[1][x] != 0,
                                                                            x, lo, hi, table, plain, out[x]);
                                             });
                       });
    return PF_Err_NONE;
}

template <class Pixel, BlurForm Form>
PF_Err BoundaryBlurColumns(void *refcon, A_long /*thread*/, A_long index, A_long slices)
{
    const auto &job = *static_cast<const BoundaryBlurJob<Pixel> *>(refcon);
    using Plain = typename Depth<Pixel>::Plain;
    const GaussTable &table = *job.table;
    const PF_LRect &rect = job.rect;
    const Slice slice = SliceOf(AreaWidth(rect), index, slices);
    if (FastTable(table)) return SIMD_DISPATCH(BoundaryColumnsFast<Form>(job, slice));

    // A tail: the scalar form, each column's taps read in place.
    void *unused = nullptr;
    return WalkColumnStrips<Pixel, Form, Plain>(
        job.in_data->pica_basicP, job.source, rect, *job.regionMask, slice,
        table.n - 1, kStripColumns, 0, &unused, [&](A_long y, const ColumnWalks<Form, Plain> &strip) {
            Pixel *out = PixelRow<Pixel>(job.destination, rect.top + y) + rect.left + strip.x0;
            const A_u_char *keep = job.keepMask->Row(y) + strip.x0;
            for (A_long i = 0; i < strip.width; ++i) {
                if (strip.lo[i] > strip.hi[i]) continue;
                const LineView<Pixel> column{
                    reinterpret_cast<const char *>(PixelRow<Pixel>(job.source, rect.top) + rect.left + strip.x0 + i),
                    job.source->rowbytes};
                const LineView<A_u_char> region{
                    reinterpret_cast<const char *>(job.regionMask->data + strip.x0 + i), job.regionMask->rowBytes};
                BoundaryPixel<Pixel, Form>(column, region, keep[i] != 0, y, strip.lo[i], strip.hi[i], table,
                                           strip.sums[i], out[i]);
            }
        });
}

template <class Pixel>
PF_Err AlphaGain(PF_InData *in_data, PF_EffectWorld *world, const PF_LRect &rect, double radius)
{
    PF_Err err = CheckArea(rect, {world});
    if (err != PF_Err_NONE || AreaEmpty(rect)) return err;
    AlphaGainJob<Pixel> job{world, rect, radius};
    return RunSlices(in_data, &job);
}

template <class Pixel>
PF_Err BoundaryBlur(PF_EffectWorld *destination, PF_InData *in_data, A_long iterations, const PF_EffectWorld *source,
                    PF_EffectWorld *scratch, const PF_LRect &rect, const PixelMask &regionMask,
                    const PixelMask &keepMask, double radius, A_long repeat, bool keepDivision,
                    ProgressCounter *progress)
{
    return RunBlur<Pixel>(in_data, source, destination, scratch, rect, regionMask, {&keepMask}, radius, repeat,
                          progress, [&](const BlurPass &pass) {
                              BoundaryBlurJob<Pixel> job{in_data,     pass.destination, pass.source, rect,
                                                         &regionMask, &keepMask,        &pass.table};
                              PF_Err err = in_data->utils->iterate_generic(iterations, &job,
                                                                           PassWorker<Pixel>(pass.rows, keepDivision));
                              // The first row pass's alpha is raised before any column pass reads it.
                              if (err == PF_Err_NONE && pass.index == 0)
                                  err = AlphaGain<Pixel>(in_data, pass.destination, rect, radius);
                              return err;
                          });
}

template <class Pixel>
PF_Err BoundaryBias(PF_InData *in_data, PF_EffectWorld *world, const PF_LRect &rect, const PixelMask &mask, double bias)
{
    PF_Err err = CheckArea(rect, {world}, &mask);
    if (err == PF_Err_NONE && !(bias >= 0.0 && bias <= 100.0)) err = PF_Err_BAD_CALLBACK_PARAM;
    if (err != PF_Err_NONE || AreaEmpty(rect)) return err;
    BiasJob<Pixel> job{world, rect, &mask, typename Depth<Pixel>::Bias(bias)};
    return RunSlices(in_data, &job);
}

template PF_Err BoundaryBlurRows<PF_Pixel16, BlurForm::RunLimited>(void *, A_long, A_long, A_long);
template PF_Err BoundaryBlurRows<PF_Pixel16, BlurForm::Window>(void *, A_long, A_long, A_long);
template PF_Err BoundaryBlurColumns<PF_Pixel16, BlurForm::RunLimited>(void *, A_long, A_long, A_long);
template PF_Err BoundaryBlurColumns<PF_Pixel16, BlurForm::Window>(void *, A_long, A_long, A_long);
template PF_Err AlphaGain<PF_Pixel16>(PF_InData *, PF_EffectWorld *, const PF_LRect &, double);
template PF_Err BoundaryBlur<PF_Pixel16>(PF_EffectWorld *, PF_InData *, A_long, const PF_EffectWorld *,
                                         PF_EffectWorld *, const PF_LRect &, const PixelMask &, const PixelMask &,
                                         double, A_long, bool, ProgressCounter *);
template PF_Err BoundaryBias<PF_Pixel16>(PF_InData *, PF_EffectWorld *, const PF_LRect &, const PixelMask &, double);
template PF_Err BoundaryBlurRows<PF_PixelFloat, BlurForm::RunLimited>(void *, A_long, A_long, A_long);
template PF_Err BoundaryBlurRows<PF_PixelFloat, BlurForm::Window>(void *, A_long, A_long, A_long);
template PF_Err BoundaryBlurColumns<PF_PixelFloat, BlurForm::RunLimited>(void *, A_long, A_long, A_long);
template PF_Err BoundaryBlurColumns<PF_PixelFloat, BlurForm::Window>(void *, A_long, A_long, A_long);
template PF_Err AlphaGain<PF_PixelFloat>(PF_InData *, PF_EffectWorld *, const PF_LRect &, double);
template PF_Err BoundaryBlur<PF_PixelFloat>(PF_EffectWorld *, PF_InData *, A_long, const PF_EffectWorld *,
                                            PF_EffectWorld *, const PF_LRect &, const PixelMask &, const PixelMask &,
                                            double, A_long, bool, ProgressCounter *);
template PF_Err BoundaryBias<PF_PixelFloat>(PF_InData *, PF_EffectWorld *, const PF_LRect &, const PixelMask &, double);
