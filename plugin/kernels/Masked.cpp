#include "kernels/Masked.h"

#include <cstdint>
#include <cstring>

#include "kernels/KernelArea.h"
#include "kernels/Slices.h"

namespace {

// The common part of the jobs: the area, one row per line.
struct AreaJob {
    PF_LRect area;
    A_long Lines() const { return AreaHeight(area); }
    A_long Width() const { return AreaWidth(area); }
};

template <class Pixel>
struct CopyJob : AreaJob {
    const PF_EffectWorld *src;
    PF_EffectWorld *dst;
    const PixelMask *mask;
    bool clear;
    bool skipEmptyRows;

    PF_Err Run(Slice slice)
    {
        for (A_long y = slice.begin; y < slice.end; ++y) {
            if (skipEmptyRows && !mask->RowOccupied(y)) continue;
            const Pixel *in = PixelRow<Pixel>(src, area.top + y) + area.left;
            Pixel *out = PixelRow<Pixel>(dst, area.top + y) + area.left;
            ForEachRun(mask->Row(y), Width(), [&](A_long begin, A_long end, bool selected) {
                const size_t bytes = static_cast<size_t>(end - begin) * sizeof(Pixel);
                if (selected)
                    std::memmove(out + begin, in + begin, bytes);
                else if (clear)
                    std::memset(static_cast<void *>(out + begin), 0, bytes);
            });
        }
        return PF_Err_NONE;
    }
};

template <class Pixel>
struct ClearAlphaJob : AreaJob {
    PF_EffectWorld *world;
    const PixelMask *mask;

    PF_Err Run(Slice slice)
    {
        for (A_long y = slice.begin; y < slice.end; ++y) {
            Pixel *row = PixelRow<Pixel>(world, area.top + y) + area.left;
            ForEachRun(mask->Row(y), Width(), [&](A_long begin, A_long end, bool selected) {
                if (!selected)
                    for (A_long x = begin; x < end; ++x) row[x].alpha = 0;
            });
        }
        return PF_Err_NONE;
    }
};

A_u_short MultiplyAlpha(A_u_short alpha, A_u_short second)
{
    return static_cast<A_u_short>((static_cast<uint32_t>(second) * alpha) >> 15);
}
PF_FpShort MultiplyAlpha(PF_FpShort alpha, PF_FpShort second) { return second * alpha; }

template <class Pixel>
struct MultiplyAlphaJob : AreaJob {
    PF_EffectWorld *world;
    const PF_EffectWorld *second;
    const PixelMask *mask;

    PF_Err Run(Slice slice)
    {
        for (A_long y = slice.begin; y < slice.end; ++y) {
            Pixel *row = PixelRow<Pixel>(world, area.top + y) + area.left;
            const Pixel *other = PixelRow<Pixel>(second, area.top + y) + area.left;
            ForEachRun(mask->Row(y), Width(), [&](A_long begin, A_long end, bool selected) {
                if (!selected)
                    for (A_long x = begin; x < end; ++x) row[x].alpha = MultiplyAlpha(row[x].alpha, other[x].alpha);
            });
        }
        return PF_Err_NONE;
    }
};

// 16-bit: b = ((32768 - a) * destination alpha) >> 15, each channel
// (a * source + b * destination) div (a + b). Formed in 64 bits so that
// out-of-range alphas cannot overflow; in range the result is the 32-bit one.
void LayColourOver(PF_Pixel16 &dst, const PF_Pixel16 &src)
{
    const int64_t a = src.alpha;
    if (a == PF_MAX_CHAN16) {
        dst.red = src.red;
        dst.green = src.green;
        dst.blue = src.blue;
        return;
    }
    const int64_t b = ((PF_MAX_CHAN16 - a) * dst.alpha) >> 15;
    const auto mix = [a, b](A_u_short s, A_u_short d) { return static_cast<A_u_short>((a * s + b * d) / (a + b)); };
    dst.red = mix(src.red, dst.red);
    dst.green = mix(src.green, dst.green);
    dst.blue = mix(src.blue, dst.blue);
}

// Float: c = (1 - a) * destination alpha, each channel
// (destination * c + source * a) / (c + a), in double.
void LayColourOver(PF_PixelFloat &dst, const PF_PixelFloat &src)
{
    const double a = src.alpha;
    if (src.alpha == 1.0f) {
        dst.red = src.red;
        dst.green = src.green;
        dst.blue = src.blue;
        return;
    }
    const double c = (1.0 - a) * dst.alpha;
    const auto mix = [a, c](PF_FpShort s, PF_FpShort d) {
        return static_cast<PF_FpShort>((static_cast<double>(d) * c + static_cast<double>(s) * a) / (c + a));
    };
    dst.red = mix(src.red, dst.red);
    dst.green = mix(src.green, dst.green);
    dst.blue = mix(src.blue, dst.blue);
}

template <class Pixel>
struct ColourOverJob : AreaJob {
    PF_EffectWorld *dst;
    const PF_EffectWorld *src;

    PF_Err Run(Slice slice)
    {
        for (A_long y = slice.begin; y < slice.end; ++y) {
            Pixel *out = PixelRow<Pixel>(dst, area.top + y) + area.left;
            const Pixel *in = PixelRow<Pixel>(src, area.top + y) + area.left;
            for (A_long x = 0; x < Width(); ++x)
                if (in[x].alpha != 0) LayColourOver(out[x], in[x]);
        }
        return PF_Err_NONE;
    }
};

template <class Job>
PF_Err RunChecked(PF_InData *in_data, Job job, std::initializer_list<const PF_EffectWorld *> worlds,
                  const PixelMask *mask)
{
    PF_Err err = CheckArea(job.area, worlds, mask);
    if (err == PF_Err_NONE && !AreaEmpty(job.area)) err = RunSlices(in_data, &job);
    return err;
}

}  // namespace

template <class Pixel>
PF_Err MaskedCopy(PF_InData *in_data, const PF_EffectWorld *src, PF_EffectWorld *dst, const PF_LRect &area,
                  const PixelMask &mask, bool clear)
{
    return RunChecked(in_data, CopyJob<Pixel>{{area}, src, dst, &mask, clear, false}, {src, dst}, &mask);
}

template <class Pixel>
PF_Err MaskedCopyRows(PF_InData *in_data, const PF_EffectWorld *src, PF_EffectWorld *dst, const PF_LRect &area,
                      const PixelMask &mask)
{
    return RunChecked(in_data, CopyJob<Pixel>{{area}, src, dst, &mask, false, true}, {src, dst}, &mask);
}

template <class Pixel>
PF_Err ClearAlphaOutside(PF_InData *in_data, PF_EffectWorld *world, const PF_LRect &area, const PixelMask &mask)
{
    return RunChecked(in_data, ClearAlphaJob<Pixel>{{area}, world, &mask}, {world}, &mask);
}

template <class Pixel>
PF_Err MultiplyAlphaOutside(PF_InData *in_data, PF_EffectWorld *world, const PF_EffectWorld *second,
                            const PF_LRect &area, const PixelMask &mask)
{
    return RunChecked(in_data, MultiplyAlphaJob<Pixel>{{area}, world, second, &mask}, {world, second}, &mask);
}

template <class Pixel>
PF_Err ColourOver(PF_InData *in_data, PF_EffectWorld *dst, const PF_EffectWorld *src, const PF_LRect &area)
{
    return RunChecked(in_data, ColourOverJob<Pixel>{{area}, dst, src}, {dst, src}, nullptr);
}

template PF_Err MaskedCopy<PF_Pixel16>(PF_InData *, const PF_EffectWorld *, PF_EffectWorld *, const PF_LRect &,
                                       const PixelMask &, bool);
template PF_Err MaskedCopy<PF_PixelFloat>(PF_InData *, const PF_EffectWorld *, PF_EffectWorld *, const PF_LRect &,
                                          const PixelMask &, bool);
template PF_Err MaskedCopyRows<PF_Pixel16>(PF_InData *, const PF_EffectWorld *, PF_EffectWorld *, const PF_LRect &,
                                           const PixelMask &);
template PF_Err MaskedCopyRows<PF_PixelFloat>(PF_InData *, const PF_EffectWorld *, PF_EffectWorld *,
                                              const PF_LRect &, const PixelMask &);
template PF_Err ClearAlphaOutside<PF_Pixel8>(PF_InData *, PF_EffectWorld *, const PF_LRect &, const PixelMask &);
template PF_Err ClearAlphaOutside<PF_Pixel16>(PF_InData *, PF_EffectWorld *, const PF_LRect &, const PixelMask &);
template PF_Err ClearAlphaOutside<PF_PixelFloat>(PF_InData *, PF_EffectWorld *, const PF_LRect &,
                                                 const PixelMask &);
template PF_Err MultiplyAlphaOutside<PF_Pixel16>(PF_InData *, PF_EffectWorld *, const PF_EffectWorld *,
                                                 const PF_LRect &, const PixelMask &);
template PF_Err MultiplyAlphaOutside<PF_PixelFloat>(PF_InData *, PF_EffectWorld *, const PF_EffectWorld *,
                                                    const PF_LRect &, const PixelMask &);
template PF_Err ColourOver<PF_Pixel16>(PF_InData *, PF_EffectWorld *, const PF_EffectWorld *, const PF_LRect &);
template PF_Err ColourOver<PF_PixelFloat>(PF_InData *, PF_EffectWorld *, const PF_EffectWorld *, const PF_LRect &);
