// Per-pixel kernels that copy, clear or composite pixels under a mask.
// MaskedCopy, MaskedCopyRows, MultiplyAlphaOutside and ColourOver are built
// for PF_Pixel16 (full scale 32768) and PF_PixelFloat; ClearAlphaOutside also
// for PF_Pixel8.
#pragma once

#include "AEConfig.h"
#include "AE_Effect.h"
#include "pipeline/PixelMask.h"

// Selected pixels are copied whole; unselected ones are zeroed when clear is
// set, else left alone.
template <class Pixel>
PF_Err MaskedCopy(PF_InData *in_data, const PF_EffectWorld *src, PF_EffectWorld *dst, const PF_LRect &area,
                  const PixelMask &mask, bool clear);

// Selected pixels are copied whole, skipping rows the row flags call empty;
// nothing else is written.
template <class Pixel>
PF_Err MaskedCopyRows(PF_InData *in_data, const PF_EffectWorld *src, PF_EffectWorld *dst, const PF_LRect &area,
                      const PixelMask &mask);

// Alpha 0 for every unselected pixel; colour is kept.
template <class Pixel>
PF_Err ClearAlphaOutside(PF_InData *in_data, PF_EffectWorld *world, const PF_LRect &area, const PixelMask &mask);

// For every unselected pixel, alpha times the second world's alpha
// (16-bit: (second * alpha) >> 15).
template <class Pixel>
PF_Err MultiplyAlphaOutside(PF_InData *in_data, PF_EffectWorld *world, const PF_EffectWorld *second,
                            const PF_LRect &area, const PixelMask &mask);

// Lays the colour of every pixel of src with non-zero alpha over dst; dst's
// alpha is kept.
template <class Pixel>
PF_Err ColourOver(PF_InData *in_data, PF_EffectWorld *dst, const PF_EffectWorld *src, const PF_LRect &area);
