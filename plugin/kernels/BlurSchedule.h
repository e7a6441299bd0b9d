// The pass schedule that the region and boundary blurs share: R + 1
// one-dimensional passes of shrinking radius, rows first, ping-ponging
// between destination and scratch so that the last pass writes destination.
#pragma once

#include <initializer_list>

#include "AEConfig.h"
#include "AE_Effect.h"
#include "kernels/GaussTable.h"
#include "kernels/KernelArea.h"
#include "kernels/Masked.h"
#include "pipeline/PixelMask.h"
#include "pipeline/ProgressCounter.h"

// Radii below this are not blurred at all.
constexpr double kMinBlurRadius = 2.0;

struct BlurPass {
    A_long index;  // 0 for the first pass
    bool rows;     // a row pass, else a column pass
    GaussTable table;
    const PF_EffectWorld *source;
    PF_EffectWorld *destination;
};

class BlurSchedule {
public:
    // radius >= kMinBlurRadius; a repeat count below 1 counts as 1, so that the
    // last pass still lands in destination.
    BlurSchedule(double radius, A_long repeat, const PF_EffectWorld *source, PF_EffectWorld *destination,
                 PF_EffectWorld *scratch);

    // The next pass; false once all have been handed out.
    bool Next(BlurPass *pass);

private:
    A_long repeat_;
    double radius_;
    double shrink_;  // radius^(1/R): each later pass divides the radius by it
    const PF_EffectWorld *source_;
    PF_EffectWorld *destination_;
    PF_EffectWorld *scratch_;
    A_long index_ = 0;
    GaussTable first_{};
};

// Runs each pass through runPass (a callable taking const BlurPass & and
// returning PF_Err), reporting progress after each; the first error, of a
// pass or of the progress report, ends the schedule and is returned.
template <class RunPass>
PF_Err RunBlurSchedule(BlurSchedule &schedule, ProgressCounter *progress, RunPass &&runPass)
{
    BlurPass pass;
    while (schedule.Next(&pass)) {
        PF_Err err = runPass(static_cast<const BlurPass &>(pass));
        if (err == PF_Err_NONE && progress != nullptr) err = progress->Report();
        if (err != PF_Err_NONE) return err;
    }
    return PF_Err_NONE;
}

// A whole blur from source through scratch into destination over the pixels
// of rect that mask selects: below kMinBlurRadius (a NaN radius included)
// the selected pixels are copied instead; otherwise the three worlds must be
// distinct and the schedule runs. extraMasks must cover rect too.
template <class Pixel, class RunPass>
PF_Err RunBlur(PF_InData *in_data, const PF_EffectWorld *source, PF_EffectWorld *destination, PF_EffectWorld *scratch,
               const PF_LRect &rect, const PixelMask &mask, std::initializer_list<const PixelMask *> extraMasks,
               double radius, A_long repeat, ProgressCounter *progress, RunPass &&runPass)
{
    PF_Err err = CheckArea(rect, {destination, source, scratch}, &mask);
    for (const PixelMask *extra : extraMasks)
        if (err == PF_Err_NONE && !MaskCovers(*extra, rect)) err = PF_Err_BAD_CALLBACK_PARAM;
    if (err != PF_Err_NONE) return err;
    if (!(radius >= kMinBlurRadius)) return MaskedCopy<Pixel>(in_data, source, destination, rect, mask, false);
    // A pass must not read the world it writes.
    if (destination == source || destination == scratch || source == scratch) return PF_Err_BAD_CALLBACK_PARAM;

    BlurSchedule schedule(radius, repeat, source, destination, scratch);
    return RunBlurSchedule(schedule, progress, runPass);
}
