// Edge smoothing: removes the stair steps of hard-edged artwork by blending
// the pixels along each step towards the colour across the boundary.
#pragma once

#include "AEConfig.h"
#include "AE_Effect.h"
#include "AE_EffectPixelFormat.h"

struct SmoothingJob {
    A_long threshold;        // colour difference in 8-bit units
    A_long strength;         // 0 makes the operation a plain copy
    A_long shaping;          // only 0 (no shaping of the ramp weights) is supported; other values are ignored
    A_long reserved0;
    A_long colourRed;        // the colour is carried for the caller, never used by the output
    A_long colourGreen;
    A_long colourBlue;
    A_long colourExtra;
    A_u_char reserved1[8];
    A_long reserved2;
    PF_InData *in_data;
    PF_PixelFormat pixelFormat;  // 'ae16' for SmoothEdges16, 'ae32' for SmoothEdgesFloat
    PF_EffectWorld *source;      // read only
    PF_EffectWorld *destination;  // same size as source; receives the result

    // The fixed settings of the render driver and the process pass.
    static SmoothingJob ForRenderDriver(PF_InData *in_data, PF_PixelFormat pixelFormat, PF_EffectWorld *source,
                                        PF_EffectWorld *destination);
};

// Copy source to destination, then smooth the destination. A size mismatch
// returns PF_Err_BAD_CALLBACK_PARAM and writes nothing; host errors of the
// copy or of the edge map are returned; a suite the host refuses throws the
// bare code PF_Err_BAD_CALLBACK_PARAM.
PF_Err SmoothEdges16(const SmoothingJob &job);
PF_Err SmoothEdgesFloat(const SmoothingJob &job);

// Blends p towards q in place; weight a runs from 0 (keep p) to 65535 (take q).
void BlendToward16(PF_Pixel16 &p, const PF_Pixel16 &q, A_long a);
// Blends p towards q in place; weight x runs from 0 (keep p) to 1 (take q).
void BlendTowardFloat(PF_PixelFloat &p, const PF_PixelFloat &q, float x);
