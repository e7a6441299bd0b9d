// Gaussian blur of the pixels a mask selects inside a rectangle. Unselected
// pixels neither contribute nor are written. Built for PF_Pixel16 (full
// scale 32768) and PF_PixelFloat.
#pragma once

#include "AEConfig.h"
#include "AE_Effect.h"
#include "kernels/BlurLine.h"
#include "kernels/GaussTable.h"
#include "pipeline/PixelMask.h"
#include "pipeline/ProgressCounter.h"

// What one pass reads; the refcon of its workers.
template <class Pixel>
struct RegionBlurJob {
    PF_InData *in_data;  // host memory for the column buffers
    PF_EffectWorld *destination;
    const PF_EffectWorld *source;  // distinct from destination
    PF_LRect rect;
    const PixelMask *mask;  // relative to rect
    const GaussTable *table;
};

// iterate_generic workers: one pass along the rows, or along the columns.
// Both work along rows of the worlds; a column pass keeps state for strips of
// columns in host memory and returns PF_Err_OUT_OF_MEMORY when it cannot get
// it.
template <class Pixel, BlurForm Form>
PF_Err RegionBlurRows(void *refcon, A_long thread, A_long index, A_long slices);
template <class Pixel, BlurForm Form>
PF_Err RegionBlurColumns(void *refcon, A_long thread, A_long index, A_long slices);

// The whole schedule from source through scratch into destination (three
// distinct worlds of one size). Radius below 2 copies the selected pixels of
// source instead. iterations is handed to iterate_generic; progress may be
// null.
template <class Pixel>
PF_Err RegionBlur(PF_EffectWorld *destination, PF_InData *in_data, A_long iterations, const PF_EffectWorld *source,
                  PF_EffectWorld *scratch, const PF_LRect &rect, const PixelMask &mask, double radius, A_long repeat,
                  bool keepDivision, ProgressCounter *progress);
