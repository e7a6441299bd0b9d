// Key colours: a colour in the host's fixed-point HLS and how far a pixel may
// lie from it and still count as that colour.
#pragma once

#include <vector>

#include "AEConfig.h"
#include "AE_Effect.h"
#include "params/ParamSnapshot.h"

struct ColourKey {
    A_long hue;         // degrees, 16.16
    A_long lightness;   // 0..1, 16.16
    A_long saturation;  // 0..1, 16.16
    A_long tolerance;   // largest distance that still matches
};
static_assert(sizeof(ColourKey) == 16, "a key is four 32-bit values");

using KeyList = std::vector<ColourKey>;

// The largest distance the keying rule can produce; a range of 1.0 maps to it.
constexpr double kFullTolerance = 27904.0;

// rangeFraction is the range control's percentage divided by 100. Returns the
// host colour callback's error, leaving *key unspecified.
PF_Err MakeColourKey(PF_InData *in_data, const PF_Pixel &colour, double rangeFraction, ColourKey *key);

// One key per enabled colour of the Base block, in control order. Stops at
// the first error, which it returns.
PF_Err BuildBaseKeys(PF_InData *in_data, const ProcessParams &base, KeyList *keys);

// The single key of a process block; its enable byte is not consulted.
PF_Err BuildProcessKeys(PF_InData *in_data, const ProcessParams &process, KeyList *keys);
