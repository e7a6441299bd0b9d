// The selection type of the pipeline: one byte per pixel of the render area,
// plus flags telling which rows and columns hold any selected pixel.
//
// Copying a mask shares its storage; bounds and the state bytes belong to each
// copy.
#pragma once

#include "AEConfig.h"
#include "AE_Effect.h"
#include "SharedArray.h"

// Stores 1 into a flag byte that other workers may be setting at the same
// time; relaxed atomic stores keep the concurrent writes defined.
inline void RaiseFlag(A_u_char *flag)
{
    if (__atomic_load_n(flag, __ATOMIC_RELAXED) == 0)
        __atomic_store_n(flag, static_cast<A_u_char>(1), __ATOMIC_RELAXED);
}

struct PixelMask {
    A_u_char *data = nullptr;  // byte (x, y) at data[y * rowBytes + x]; non-zero = selected
    AEUtil::SharedArray<unsigned char> storage;
    A_long byteSize = 0;
    A_long width = 0;
    A_long height = 0;
    A_long allocRowBytes = 0;
    A_long rowBytes = 0;
    PF_LRect bounds = {0, 0, 0, 0};  // relative to the area; right and bottom exclusive
    A_u_char flagsStale = 1;         // the flags may not match the plane
    A_u_char boundsStale = 1;        // bounds must be recomputed before use
    A_u_char *rowFlags = nullptr;     // height bytes
    A_u_char *columnFlags = nullptr;  // width bytes

    // A new block for width x height pixels with undefined contents; an empty
    // mask when either is not positive. Throws what AEMemory throws.
    void AllocateMask(PF_InData *in_data, A_long width, A_long height);
    void ReleaseMask();

    void FillMask(A_u_char value);
    void InvertMask();
    // Copies the selected bytes of other into this mask.
    void MergeMask(const PixelMask &other);
    void RecomputeFlags();
    // Exact bounds from the flags; false when nothing is selected.
    bool ComputeBounds();

    A_u_char *Row(A_long y) const { return data + static_cast<ptrdiff_t>(y) * rowBytes; }
    // Stale flags say nothing, so every row and column counts as occupied.
    bool RowOccupied(A_long y) const { return flagsStale != 0 || rowFlags[y] != 0; }
    bool ColumnOccupied(A_long x) const { return flagsStale != 0 || columnFlags[x] != 0; }
};
