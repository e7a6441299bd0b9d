#include "kernels/Convert.h"

#include <cstring>

#include "kernels/KernelArea.h"
#include "kernels/Slices.h"

namespace {

PF_Pixel16 To16(const PF_Pixel8 &p)
{
    return {Channel8To16(p.alpha), Channel8To16(p.red), Channel8To16(p.green), Channel8To16(p.blue)};
}

PF_Pixel8 To8(const PF_Pixel16 &p)
{
    return {Channel16To8(p.alpha), Channel16To8(p.red), Channel16To8(p.green), Channel16To8(p.blue)};
}

template <class From, class To, To (*Convert)(const From &)>
struct ConvertJob {
    const PF_EffectWorld *src;
    PF_EffectWorld *dst;
    PF_LRect area;
    const PixelMask *mask;
    bool clear;

    A_long Lines() const { return AreaHeight(area); }

    PF_Err Run(Slice slice)
    {
        const A_long width = AreaWidth(area);
        for (A_long y = slice.begin; y < slice.end; ++y) {
            const From *in = PixelRow<From>(src, area.top + y) + area.left;
            To *out = PixelRow<To>(dst, area.top + y) + area.left;
            // Runs the mask selects convert without a test per pixel, which
            // lets the loop vectorise.
            ForEachRun(mask->Row(y), width, [&](A_long begin, A_long end, bool selected) {
                if (selected)
                    for (A_long x = begin; x < end; ++x) out[x] = Convert(in[x]);
                else if (clear)
                    std::memset(static_cast<void *>(out + begin), 0, static_cast<size_t>(end - begin) * sizeof(To));
            });
        }
        return PF_Err_NONE;
    }
};

template <class Job>
PF_Err RunConversion(PF_InData *in_data, Job job)
{
    PF_Err err = CheckArea(job.area, {job.src, job.dst}, job.mask);
    if (err == PF_Err_NONE && !AreaEmpty(job.area)) err = RunSlices(in_data, &job);
    return err;
}

}  // namespace

PF_Err ConvertTo16(PF_InData *in_data, const PF_EffectWorld *src8, PF_EffectWorld *dst16, const PF_LRect &area,
                   const PixelMask &mask, bool clear)
{
    return RunConversion(in_data, ConvertJob<PF_Pixel8, PF_Pixel16, To16>{src8, dst16, area, &mask, clear});
}

PF_Err ConvertTo8(PF_InData *in_data, const PF_EffectWorld *src16, PF_EffectWorld *dst8, const PF_LRect &area,
                  const PixelMask &mask, bool clear)
{
    return RunConversion(in_data, ConvertJob<PF_Pixel16, PF_Pixel8, To8>{src16, dst8, area, &mask, clear});
}
