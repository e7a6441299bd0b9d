// Conversions between 8-bit pixels and the 16-bit working pixels (full scale
// 32768), for the pixels a mask selects.
#pragma once

#include "AEConfig.h"
#include "AE_Effect.h"
#include "pipeline/PixelMask.h"

// Selected pixels: every channel (v * 32768 + 128) div 255. Unselected ones
// are zeroed when clear is set, else left alone.
PF_Err ConvertTo16(PF_InData *in_data, const PF_EffectWorld *src8, PF_EffectWorld *dst16, const PF_LRect &area,
                   const PixelMask &mask, bool clear);

// Selected pixels: every channel (v * 255 + 16384) >> 15. Unselected ones are
// zeroed when clear is set, else left alone.
PF_Err ConvertTo8(PF_InData *in_data, const PF_EffectWorld *src16, PF_EffectWorld *dst8, const PF_LRect &area,
                  const PixelMask &mask, bool clear);

inline A_u_short Channel8To16(A_u_char v) { return static_cast<A_u_short>((v * 32768 + 128) / 255); }
inline A_u_char Channel16To8(A_u_short v) { return static_cast<A_u_char>((v * 255 + 16384) >> 15); }
