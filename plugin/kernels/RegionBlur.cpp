#include "kernels/RegionBlur.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "AE_EffectCB.h"
#include "kernels/BlurSchedule.h"
#include "kernels/ColumnBuffer.h"
#include "kernels/KernelArea.h"
#include "kernels/Masked.h"
#include "kernels/Slices.h"

namespace {

// Taps farther than this from the centre only act through the tail.
constexpr A_long kMaxTapDistance = kStoredTaps - 1;
constexpr A_u_long kFullScale16 = 32768;
constexpr double kTapUnit = 1.0 / 32768;  // one tap unit as a weight

template <class Pixel>
struct Depth;

// 16-bit: 32-bit integer sums, divisions truncating.
template <>
struct Depth<PF_Pixel16> {
    struct Weighted {
        A_u_short weight = 0;  // wraps as the table's 16-bit weights do
        A_u_long red = 0, green = 0, blue = 0;
    };
    struct Totals {
        A_u_long red, green, blue;
        A_long count;
    };
    // Plain sums over the window, kept up to date as it slides.
    struct Plain {
        A_u_long red = 0, green = 0, blue = 0;
        A_long count = 0;
        void Add(const PF_Pixel16 &p)
        {
            red += p.red;
            green += p.green;
            blue += p.blue;
            ++count;
        }
        void Remove(const PF_Pixel16 &p)
        {
            red -= p.red;
            green -= p.green;
            blue -= p.blue;
            --count;
        }
        Totals Sum(const PF_Pixel16 *, const A_u_char *, A_long, A_long) const { return {red, green, blue, count}; }
    };

    static void Accumulate(Weighted &w, const PF_Pixel16 &p, A_u_short tap)
    {
        w.weight = static_cast<A_u_short>(w.weight + tap);
        w.red += static_cast<A_u_long>(tap) * p.red;
        w.green += static_cast<A_u_long>(tap) * p.green;
        w.blue += static_cast<A_u_long>(tap) * p.blue;
    }

    // Without a tail: the rounded weighted mean, or the source pixel whole
    // when no weight was gathered. Alpha is not written.
    static void Store(PF_Pixel16 &out, const PF_Pixel16 &src, const Weighted &w)
    {
        if (w.weight == 0) {
            out = src;
            return;
        }
        const A_u_long weight = w.weight;
        out.red = static_cast<A_u_short>((w.red + weight / 2) / weight);
        out.green = static_cast<A_u_short>((w.green + weight / 2) / weight);
        out.blue = static_cast<A_u_short>((w.blue + weight / 2) / weight);
    }

    // With a tail T: (T * mean + 16384 + weighted mean * (32768 - T)) div
    // 32768; without weight the weighted term, which divides by it, drops out.
    static void StoreWithTail(PF_Pixel16 &out, const Weighted &w, const Totals &plain, A_u_short tailTotal)
    {
        const A_u_long tail = tailTotal;
        const A_u_long weight = w.weight;
        const auto mix = [&](A_u_long weighted, A_u_long sum) {
            A_u_long value = tail * (sum / static_cast<A_u_long>(plain.count)) + 16384;
            if (weight != 0) value += (weighted / weight) * (kFullScale16 - tail);
            return static_cast<A_u_short>(value / kFullScale16);
        };
        out.red = mix(w.red, plain.red);
        out.green = mix(w.green, plain.green);
        out.blue = mix(w.blue, plain.blue);
    }
};

// Float: sums in double, results stored unclamped.
template <>
struct Depth<PF_PixelFloat> {
    struct Weighted {
        A_u_short weight = 0;
        double red = 0.0, green = 0.0, blue = 0.0;
    };
    struct Totals {
        double red, green, blue;
        A_long count;
    };
    // Incremental sums agree with direct ones only while every value in them
    // is finite (Inf - Inf would stay NaN after the Inf has left), so pixels
    // with a non-finite channel are counted aside and, while any is in the
    // window, the window is summed directly.
    struct Plain {
        double red = 0.0, green = 0.0, blue = 0.0;
        A_long count = 0;
        A_long nonFinite = 0;
        static bool Finite(const PF_PixelFloat &p)
        {
            return std::isfinite(p.red) && std::isfinite(p.green) && std::isfinite(p.blue);
        }
        void Add(const PF_PixelFloat &p)
        {
            ++count;
            if (!Finite(p)) {
                ++nonFinite;
                return;
            }
            red += p.red;
            green += p.green;
            blue += p.blue;
        }
        void Remove(const PF_PixelFloat &p)
        {
            --count;
            if (!Finite(p)) {
                --nonFinite;
                return;
            }
            red -= p.red;
            green -= p.green;
            blue -= p.blue;
        }
        Totals Sum(const PF_PixelFloat *in, const A_u_char *selected, A_long lo, A_long hi) const
        {
            if (nonFinite == 0) return {red, green, blue, count};
            Totals direct{0.0, 0.0, 0.0, count};
            for (A_long p = lo; p <= hi; ++p) {
                if (selected[p] == 0) continue;
                direct.red += in[p].red;
                direct.green += in[p].green;
                direct.blue += in[p].blue;
            }
            return direct;
        }
    };

    static void Accumulate(Weighted &w, const PF_PixelFloat &p, A_u_short tap)
    {
        w.weight = static_cast<A_u_short>(w.weight + tap);
        const double weight = tap * kTapUnit;
        w.red += p.red * weight;
        w.green += p.green * weight;
        w.blue += p.blue * weight;
    }

    static void Store(PF_PixelFloat &out, const PF_PixelFloat &src, const Weighted &w)
    {
        if (w.weight == 0) {
            out = src;
            return;
        }
        const double scale = 32768.0 / w.weight;
        out.red = static_cast<PF_FpShort>(w.red * scale);
        out.green = static_cast<PF_FpShort>(w.green * scale);
        out.blue = static_cast<PF_FpShort>(w.blue * scale);
    }

    // weighted * (32768 / W) * (1 - T / 32768) + mean * T / 32768; without
    // weight only the mean term.
    static void StoreWithTail(PF_PixelFloat &out, const Weighted &w, const Totals &plain, A_u_short tailTotal)
    {
        const double tailShare = tailTotal * kTapUnit;
        const auto mix = [&](double weighted, double sum) {
            const double tail = sum / plain.count * tailTotal * kTapUnit;
            if (w.weight == 0) return static_cast<PF_FpShort>(tail);
            return static_cast<PF_FpShort>(weighted * (32768.0 / w.weight) * (1.0 - tailShare) + tail);
        };
        out.red = mix(w.red, plain.red);
        out.green = mix(w.green, plain.green);
        out.blue = mix(w.blue, plain.blue);
    }
};

// One line (a row, or a column copied into a buffer) of length pixels; the
// result for pixel x goes to out + x * outStride bytes.
template <class Pixel, BlurForm Form>
void BlurLine(const Pixel *in, const A_u_char *selected, A_long length, const GaussTable &table, char *out,
              ptrdiff_t outStride)
{
    using D = Depth<Pixel>;
    const A_long half = table.n - 1;
    const A_long reach = std::min(half, kMaxTapDistance);
    const bool hasTail = table.tailTotal != 0;

    typename D::Plain plain;
    A_long coveredLo = 0, coveredHi = -1;  // the pixels plain holds
    A_long runBegin = 0, runEnd = -1;
    for (A_long x = 0; x < length; ++x) {
        if (selected[x] == 0) continue;
        A_long lo = std::max<A_long>(0, x - half);
        A_long hi = std::min(length - 1, x + half);
        if constexpr (Form == BlurForm::RunLimited) {
            if (x > runEnd) {
                runBegin = runEnd = x;
                while (runEnd + 1 < length && selected[runEnd + 1] != 0) ++runEnd;
                plain = typename D::Plain();
                coveredLo = x;
                coveredHi = x - 1;
            }
            lo = std::max(lo, runBegin);
            hi = std::min(hi, runEnd);
        }

        typename D::Weighted weighted;
        const A_long last = std::min(hi, x + reach);
        for (A_long p = std::max(lo, x - reach); p <= last; ++p) {
            // A run holds only selected pixels.
            if (Form == BlurForm::Window && selected[p] == 0) continue;
            D::Accumulate(weighted, in[p], table.taps[p < x ? x - p : p - x]);
        }

        Pixel &target = *reinterpret_cast<Pixel *>(out + x * outStride);
        if (!hasTail) {
            D::Store(target, in[x], weighted);
            continue;
        }
        while (coveredHi < hi) {
            ++coveredHi;
            if (selected[coveredHi] != 0) plain.Add(in[coveredHi]);
        }
        while (coveredLo < lo) {
            if (selected[coveredLo] != 0) plain.Remove(in[coveredLo]);
            ++coveredLo;
        }
        D::StoreWithTail(target, weighted, plain.Sum(in, selected, lo, hi), table.tailTotal);
    }
}

template <class Pixel>
PF_IteratePixelFunc PassWorker(bool rows, bool keepDivision)
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
    const Slice slice = SliceOf(AreaHeight(job.rect), index, slices);
    for (A_long y = slice.begin; y < slice.end; ++y) {
        if (!job.mask->RowOccupied(y)) continue;
        const Pixel *in = PixelRow<Pixel>(job.source, job.rect.top + y) + job.rect.left;
        Pixel *out = PixelRow<Pixel>(job.destination, job.rect.top + y) + job.rect.left;
        BlurLine<Pixel, Form>(in, job.mask->Row(y), AreaWidth(job.rect), *job.table, reinterpret_cast<char *>(out),
                              sizeof(Pixel));
    }
    return PF_Err_NONE;
}

template <class Pixel, BlurForm Form>
PF_Err RegionBlurColumns(void *refcon, A_long /*thread*/, A_long index, A_long slices)
{
    const auto &job = *static_cast<const RegionBlurJob<Pixel> *>(refcon);
    const A_long height = AreaHeight(job.rect);
    const Slice slice = SliceOf(AreaWidth(job.rect), index, slices);
    ColumnBuffer<Pixel> buffer;
    for (A_long x = slice.begin; x < slice.end; ++x) {
        if (!job.mask->ColumnOccupied(x)) continue;
        if (!buffer.Allocated() && !buffer.Allocate(job.in_data->pica_basicP, height)) return PF_Err_OUT_OF_MEMORY;
        buffer.Load(job.source, *job.mask, job.rect, x);
        Pixel *out = PixelRow<Pixel>(job.destination, job.rect.top) + job.rect.left + x;
        BlurLine<Pixel, Form>(buffer.Pixels(), buffer.Selected(), height, *job.table, reinterpret_cast<char *>(out),
                              job.destination->rowbytes);
    }
    return PF_Err_NONE;
}

template <class Pixel>
PF_Err RegionBlur(PF_EffectWorld *destination, PF_InData *in_data, A_long iterations, const PF_EffectWorld *source,
                  PF_EffectWorld *scratch, const PF_LRect &rect, const PixelMask &mask, double radius, A_long repeat,
                  bool keepDivision, ProgressCounter *progress)
{
    PF_Err err = CheckArea(rect, {destination, source, scratch}, &mask);
    if (err != PF_Err_NONE) return err;
    // Written so that a NaN radius also takes the copy.
    if (!(radius >= kMinBlurRadius)) return MaskedCopy<Pixel>(in_data, source, destination, rect, mask, false);
    // A pass must not read the world it writes.
    if (destination == source || destination == scratch || source == scratch) return PF_Err_BAD_CALLBACK_PARAM;

    BlurSchedule schedule(radius, repeat, source, destination, scratch);
    return RunBlurSchedule(schedule, progress, [&](const BlurPass &pass) {
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

template PF_Err RegionBlur<PF_Pixel16>(PF_EffectWorld *, PF_InData *, A_long, const PF_EffectWorld *,
                                       PF_EffectWorld *, const PF_LRect &, const PixelMask &, double, A_long, bool,
                                       ProgressCounter *);
template PF_Err RegionBlur<PF_PixelFloat>(PF_EffectWorld *, PF_InData *, A_long, const PF_EffectWorld *,
                                          PF_EffectWorld *, const PF_LRect &, const PixelMask &, double, A_long, bool,
                                          ProgressCounter *);
