// One frame's render inputs: the control values and the host's worlds.
#pragma once

#include "AEConfig.h"
#include "AE_Effect.h"
#include "AE_EffectPixelFormat.h"
#include "params/ParamSnapshot.h"

struct RenderContext {
    ParamSnapshot snapshot;
    PF_InData *in_data;
    PF_EffectWorld *input;
    PF_EffectWorld *output;
    PF_PixelFormat pixelFormat;
    PF_LRect area;

    // Null worlds, an invalid pixel format, an empty area and the initial
    // control values.
    static void Initialise(RenderContext *context);
};
