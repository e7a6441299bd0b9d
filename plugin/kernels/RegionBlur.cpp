#include "kernels/RegionBlur.h"

#include <algorithm>
#include <cstddef>

#include "AE_EffectCB.h"
#include "kernels/BlurLine.h"
#include "kernels/BlurSchedule.h"
#include "kernels/KernelArea.h"
#include "kernels/Simd.h"
#include "kernels/Slices.h"

namespace {

constexpr A_u_long kFullScale16 = 32768;
// Columns walked side by side by the scalar column pass.
constexpr A_long kTailStripColumns = 16;

// The plain sums the tail needs: red, green and blue.
template <class P, class V>
struct ColourTerms {
    using Pixel = P;
    using Value = V;
    static constexpr int kCount = 3;
    static void Of(const Pixel &p, Value *v)
    {
        v[0] = p.red;
        v[1] = p.green;
        v[2] = p.blue;
    }
};

template <class Pixel>
struct Depth;

// 16-bit: 32-bit integer sums, divisions truncating.
template <>
struct Depth<PF_Pixel16> {
    struct Weighted {
        A_u_short weight = 0;  // wraps as the table's 16-bit weights do
        A_u_long red = 0, green = 0, blue = 0;
    };
    using Plain = WindowSums<ColourTerms<PF_Pixel16, A_u_long>>;

    static void Accumulate(Weighted &w, const PF_Pixel16 &p, A_u_short tap)
    {
        w.weight = static_cast<A_u_short>(w.weight + tap);
        w.red += static_cast<A_u_long>(tap) * p.red;
        w.green += static_cast<A_u_long>(tap) * p.green;
        w.blue += static_cast<A_u_long>(tap) * p.blue;
    }

    // With a tail T: (T * mean + 16384 + weighted mean * (32768 - T)) div
    // 32768; without weight the weighted term, which divides by it, drops out.
    static void StoreWithTail(PF_Pixel16 &out, const Weighted &w, const Plain::Totals &plain, A_u_short tailTotal)
    {
        const A_u_long tail = tailTotal;
        const A_u_long weight = w.weight;
        const auto mix = [&](A_u_long weighted, A_u_long sum) {
            A_u_long value = tail * (sum / static_cast<A_u_long>(plain.count)) + 16384;
            if (weight != 0) value += (weighted / weight) * (kFullScale16 - tail);
            return static_cast<A_u_short>(value / kFullScale16);
        };
        out.red = mix(w.red, plain.sum[0]);
        out.green = mix(w.green, plain.sum[1]);
        out.blue = mix(w.blue, plain.sum[2]);
    }
};

// Float: sums in double, results stored unclamped.
template <>
struct Depth<PF_PixelFloat> {
    struct Weighted {
        A_u_short weight = 0;
        double red = 0.0, green = 0.0, blue = 0.0;
    };
    using Plain = WindowSums<ColourTerms<PF_PixelFloat, double>>;

    static void Accumulate(Weighted &w, const PF_PixelFloat &p, A_u_short tap)
    {
        w.weight = static_cast<A_u_short>(w.weight + tap);
        const double weight = tap * kTapUnit;
        w.red += p.red * weight;
        w.green += p.green * weight;
        w.blue += p.blue * weight;
    }

    // weighted * (32768 / W) * (1 - T / 32768) + mean * T / 32768; without
    // weight only the mean term.
    static void StoreWithTail(PF_PixelFloat &out, const Weighted &w, const Plain::Totals &plain, A_u_short tailTotal)
    {
        const double tailShare = tailTotal * kTapUnit;
        const auto mix = [&](double weighted, double sum) {
            const double tail = sum / plain.count * tailTotal * kTapUnit;
            if (w.weight == 0) return static_cast<PF_FpShort>(tail);
            return static_cast<PF_FpShort>(weighted * (32768.0 / w.weight) * (1.0 - tailShare) + tail);
        };
        out.red = mix(w.red, plain.sum[0]);
        out.green = mix(w.green, plain.sum[1]);
        out.blue = mix(w.blue, plain.sum[2]);
    }
};

// The output for the selected pixel x of a line (a row, or a column read in
// place) whose window is [lo, hi], plain holding the window's sums when the
// table has a tail. The scalar form, for tables with a tail.
template <class Pixel, BlurForm Form, class In, class Selected>
void BlurPixel(const In &in, const Selected &selected, A_long x, A_long lo, A_long hi, const GaussTable &table,
               const typename Depth<Pixel>::Plain &plain, Pixel &target)
{
    using D = Depth<Pixel>;
    typename D::Weighted weighted;
    ForEachTap<Form>(selected, x, lo, hi, table, [&](A_long p, A_u_short tap) { D::Accumulate(weighted, in[p], tap); });
    D::StoreWithTail(target, weighted, plain.Sum(in, selected, lo, hi), table.tailTotal);
}

}  // namespace

SIMD_BASELINE_BEGIN
#include "kernels/RegionBlurSimd.inl"
SIMD_BASELINE_END

SIMD_AVX2_BEGIN
#include "kernels/RegionBlurSimd.inl"
SIMD_AVX2_END

SIMD_AVX512_BEGIN
#include "kernels/RegionBlurSimd.inl"
SIMD_AVX512_END

namespace {

template <class Pixel>
IterateWorker PassWorker(bool rows, bool keepDivision)
{
    if (rows)
        return keepDivision ? RegionBlurRows<Pixel, BlurForm::RunLimited> : RegionBlurRows<Pixel, BlurForm::Window>;
    return keepDivision ? RegionBlurColumns<Pixel, BlurForm::RunLimited> : RegionBlurColumns<Pixel, BlurForm::Window>;
}

}  // namespace

template <class Pixel, BlurForm Form>
PF_Err RegionBlurRows(void *refcon, A_long /*thread*/, A_long index, A_long slices)
{
    const auto &job = *static_cast<const RegionBlurJob<Pixel> *>(refcon);
    const GaussTable &table = *job.table;
    const A_long width = AreaWidth(job.rect);
    BlurRows<Pixel, 1>(job.source, job.destination, job.rect, {job.mask}, SliceOf(AreaHeight(job.rect), index, slices),
                       [&](A_long y, const Pixel *in, const MaskPlanes<1> &planes, Pixel *out) {
                           if (table.tailTotal == 0) {
                               SIMD_DISPATCH(RegionRowFast<Pixel, Form>(in, job.mask->Row(y), width, table, out));
                               return;
                           }
                           typename Depth<Pixel>::Plain plain;
                           WalkWindows<Form>(RowView(in), planes[0], width, table.n - 1, plain,
                                             [&](A_long x, A_long lo, A_long hi) {
                                                 BlurPixel<Pixel, Form>(RowView(in), planes[0], x, lo, hi, table,
                                                                        plain, out[x]);
                                             });
                       });
    return PF_Err_NONE;
}

template <class Pixel, BlurForm Form>
PF_Err RegionBlurColumns(void *refcon, A_long /*thread*/, A_long index, A_long slices)
{
    const auto &job = *static_cast<const RegionBlurJob<Pixel> *>(refcon);
    const Slice slice = SliceOf(AreaWidth(job.rect), index, slices);
    const GaussTable &table = *job.table;
    if (table.tailTotal == 0) return SIMD_DISPATCH(RegionColumnsFast<Pixel, Form>(job, slice));

    // A tail: the scalar form, each column's taps read in place.
    using Plain = typename Depth<Pixel>::Plain;
    const PF_LRect &rect = job.rect;
    void *unused = nullptr;
    return WalkColumnStrips<Pixel, Form, Plain>(
        job.in_data->pica_basicP, job.source, rect, *job.mask, slice, table.n - 1, kTailStripColumns, 0, &unused,
        [&](A_long y, const ColumnWalks<Form, Plain> &strip) {
            Pixel *out = PixelRow<Pixel>(job.destination, rect.top + y) + rect.left + strip.x0;
            for (A_long i = 0; i < strip.width; ++i) {
                if (strip.lo[i] > strip.hi[i]) continue;
                const LineView<Pixel> column{
                    reinterpret_cast<const char *>(PixelRow<Pixel>(job.source, rect.top) + rect.left + strip.x0 + i),
                    job.source->rowbytes};
                const LineView<A_u_char> selected{reinterpret_cast<const char *>(job.mask->data + strip.x0 + i),
                                                  job.mask->rowBytes};
                BlurPixel<Pixel, Form>(column, selected, y, strip.lo[i], strip.hi[i], table, strip.sums[i], out[i]);
            }
        });
}

template <class Pixel>
PF_Err RegionBlur(PF_EffectWorld *destination, PF_InData *in_data, A_long iterations, const PF_EffectWorld *source,
                  PF_EffectWorld *scratch, const PF_LRect &rect, const PixelMask &mask, double radius, A_long repeat,
                  bool keepDivision, ProgressCounter *progress)
{
    return RunBlur<Pixel>(
        in_data, source, destination, scratch, rect, mask, {}, radius, repeat, progress, [&](const BlurPass &pass) {
            RegionBlurJob<Pixel> job{in_data, pass.destination, pass.source, rect, &mask, &pass.table};
            return in_data->utils->iterate_generic(iterations, &job, PassWorker<Pixel>(pass.rows, keepDivision));
        });
}

template PF_Err RegionBlurRows<PF_Pixel16, BlurForm::RunLimited>(void *, A_long, A_long, A_long);
template PF_Err RegionBlurRows<PF_Pixel16, BlurForm::Window>(void *, A_long, A_long, A_long);
template PF_Err RegionBlurColumns<PF_Pixel16, BlurForm::RunLimited>(void *, A_long, A_long, A_long);
template PF_Err RegionBlurColumns<PF_Pixel16, BlurForm::Window>(void *, A_long, A_long, A_long);
template PF_Err RegionBlurRows<PF_PixelFloat, BlurForm::RunLimited>(void *, A_long, A_long, A_long);
template PF_Err RegionBlurRows<PF_PixelFloat, BlurForm::Window>(void *, A_long, A_long, A_long);
template PF_Err RegionBlurColumns<PF_PixelFloat, BlurForm::RunLimited>(void *, A_long, A_long, A_long);
template PF_Err RegionBlurColumns<PF_PixelFloat, BlurForm::Window>(void *, A_long, A_long, A_long);

template PF_Err RegionBlur<PF_Pixel16>(PF_EffectWorld *, PF_InData *, A_long, const PF_EffectWorld *, PF_EffectWorld *,
                                       const PF_LRect &, const PixelMask &, double, A_long, bool, ProgressCounter *);
template PF_Err RegionBlur<PF_PixelFloat>(PF_EffectWorld *, PF_InData *, A_long, const PF_EffectWorld *,
                                          PF_EffectWorld *, const PF_LRect &, const PixelMask &, double, A_long, bool,
                                          ProgressCounter *);
