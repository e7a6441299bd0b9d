// The render driver: one frame from the input world to the output world.
// Built for 8-bit, 16-bit and float pixels.
#pragma once

#include "RenderContext.h"

template <class Pixel>
PF_Err RenderFrame(const RenderContext &context);

extern template PF_Err RenderFrame<PF_Pixel8>(const RenderContext &);
extern template PF_Err RenderFrame<PF_Pixel16>(const RenderContext &);
extern template PF_Err RenderFrame<PF_PixelFloat>(const RenderContext &);
