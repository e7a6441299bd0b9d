// The emulated host's colour conversion, as its RGBtoHLS callback answers.
#pragma once

#include "AE_Effect.h"

namespace fxhost {

// Hue in degrees, lightness and saturation in 0..1, all 16.16 fixed, in exact
// integer arithmetic.
void RgbToHls(const PF_Pixel &rgb, PF_HLS_Pixel hls);

}  // namespace fxhost
