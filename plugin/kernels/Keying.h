// Kernels that build a mask from a world: by alpha, and by key colours.
//
// Each allocates a fresh mask of the area's size (throwing what AllocateMask
// throws) and hands it back through result; copies of the caller's old mask
// keep the old pixels. Built for PF_Pixel8, PF_Pixel16 and PF_PixelFloat.
#pragma once

#include "AEConfig.h"
#include "AE_Effect.h"
#include "pipeline/ColourKeys.h"
#include "pipeline/PixelMask.h"

// Marks every pixel of the area whose alpha is non-zero (a NaN alpha counts).
// The result's flags are exact; boundsStale is set when anything is marked.
template <class Pixel>
PF_Err MaskFromAlpha(PF_InData *in_data, const PF_EffectWorld *world, const PF_LRect &area, A_u_char mark,
                     PixelMask *result);

// Marks every non-transparent pixel whose colour lies within the tolerance of
// one of the keys. The result's flags are exact and boundsStale is set.
// Returns the host colour callback's error, leaving *result as it was.
template <class Pixel>
PF_Err MaskFromKeys(PF_InData *in_data, const PF_EffectWorld *world, const PF_LRect &area, const KeyList &keys,
                    A_u_char mark, PixelMask *result);
