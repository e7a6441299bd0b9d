// Colour propagation: carries the colour of seed pixels into the neighbouring
// fill area up to a distance, fading the alpha of the carried colour with the
// distance from the seed. Built for PF_Pixel16 (full scale 32768) and
// PF_PixelFloat.
#pragma once

#include "AEConfig.h"
#include "AE_Effect.h"
#include "kernels/ScratchBlock.h"
#include "pipeline/PixelMask.h"

// The entry of a pixel with no recorded distance.
constexpr A_u_short kNoDistance = 1000;

// The distances one spread direction recorded: one entry per pixel of the
// rectangle, rows of the width rounded up to a multiple of 4 entries.
class DistanceMap {
public:
    // Every entry kNoDistance. False when the host has no memory for it.
    bool Allocate(const SPBasicSuite *basic, A_long width, A_long height);
    A_u_short *Row(A_long y) const { return entries_ + static_cast<ptrdiff_t>(y) * stride_; }

private:
    ScratchBlock block_;
    A_u_short *entries_ = nullptr;
    A_long stride_ = 0;
};

// What the three passes read; the refcon of their workers.
template <class Pixel>
struct PropagationJob {
    PF_InData *in_data;  // host memory for the column buffers
    const PF_EffectWorld *source;
    PF_EffectWorld *spread;  // the spread passes' result, read by the fill
    PF_EffectWorld *output;
    PF_LRect rect;
    const PixelMask *seedMask;  // relative to rect
    const PixelMask *fillMask;  // where the colour may flow
    DistanceMap *rowMap;        // written by SpreadRows
    DistanceMap *columnMap;     // written by SpreadColumns
    double distance;            // R; the spread walks go trunc(R) - 1 pixels at most
    bool stopAtGap;             // a walk ends at the first pixel outside the fill mask
};

// iterate_generic workers, run in this order. SpreadRows and SpreadColumns
// walk from every seed into the fill area, recording distances and copying
// the seed's pixel; FillFromSpread gives each fill pixel the spread pixel of
// its nearest recorded distance with alpha faded by that distance. A column
// pass returns PF_Err_OUT_OF_MEMORY when its buffers cannot be made.
template <class Pixel>
PF_Err SpreadRows(void *refcon, A_long thread, A_long index, A_long slices);
template <class Pixel>
PF_Err SpreadColumns(void *refcon, A_long thread, A_long index, A_long slices);
template <class Pixel>
PF_Err FillFromSpread(void *refcon, A_long thread, A_long index, A_long slices);

// The three passes over fresh distance maps; seed pixels are copied to output
// unchanged, pixels of neither mask are not written. spread must differ from
// source and output; distance must be positive and finite.
template <class Pixel>
PF_Err PropagateColour(const PF_EffectWorld *source, PF_EffectWorld *output, PF_EffectWorld *spread, PF_InData *in_data,
                       const PF_LRect &rect, const PixelMask &seedMask, const PixelMask &fillMask, double distance,
                       bool stopAtGap);
