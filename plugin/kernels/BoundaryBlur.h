// Boundary blur: softens the edge of a selected area by blurring its alpha
// while its colour stays flat. Inside the region mask the alpha is Gaussian
// blurred (transparent pixels take part and pull it down) and each pixel's
// colour becomes the plain mean of the non-transparent pixels around it; a
// keep mask pins the source alpha of chosen pixels. Boundary bias then
// reshapes the blurred alpha. Built for PF_Pixel16 (full scale 32768) and
// PF_PixelFloat.
#pragma once

#include "AEConfig.h"
#include "AE_Effect.h"
#include "kernels/BlurLine.h"
#include "kernels/GaussTable.h"
#include "pipeline/PixelMask.h"
#include "pipeline/ProgressCounter.h"

// What one pass reads; the refcon of its workers.
template <class Pixel>
struct BoundaryBlurJob {
    PF_InData *in_data;  // host memory for the column buffers
    PF_EffectWorld *destination;
    const PF_EffectWorld *source;  // distinct from destination
    PF_LRect rect;
    const PixelMask *regionMask;  // the pixels read, counted and written; relative to rect
    const PixelMask *keepMask;    // the pixels that keep their source alpha
    const GaussTable *table;
};

// iterate_generic workers: one pass along the rows, or along the columns.
// A column pass returns PF_Err_OUT_OF_MEMORY when its buffer cannot be made.
template <class Pixel, BlurForm Form>
PF_Err BoundaryBlurRows(void *refcon, A_long thread, A_long index, A_long slices);
template <class Pixel, BlurForm Form>
PF_Err BoundaryBlurColumns(void *refcon, A_long thread, A_long index, A_long slices);

// Every alpha of rect times (2 * radius + 1) / (radius + 1), clipped at full
// scale; colour is untouched and no mask is consulted.
template <class Pixel>
PF_Err AlphaGain(PF_InData *in_data, PF_EffectWorld *world, const PF_LRect &rect, double radius);

// The whole schedule from source through scratch into destination (three
// distinct worlds of one size), with AlphaGain on the first row pass's
// result. Below radius 2 the region's pixels of source are copied instead.
// iterations is handed to iterate_generic; progress may be null.
template <class Pixel>
PF_Err BoundaryBlur(PF_EffectWorld *destination, PF_InData *in_data, A_long iterations, const PF_EffectWorld *source,
                    PF_EffectWorld *scratch, const PF_LRect &rect, const PixelMask &regionMask,
                    const PixelMask &keepMask, double radius, A_long repeat, bool keepDivision,
                    ProgressCounter *progress);

// Reshapes the alpha of every selected, non-transparent pixel of rect along a
// raised-cosine step between a tenth of the bias and full alpha; bias runs
// from 0 to 100 (anything else is refused with PF_Err_BAD_CALLBACK_PARAM).
template <class Pixel>
PF_Err BoundaryBias(PF_InData *in_data, PF_EffectWorld *world, const PF_LRect &rect, const PixelMask &mask,
                    double bias);
