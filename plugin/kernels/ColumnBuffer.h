// A column pass worker's private copy of one column at a time: mask bytes and
// source pixels for ceil(height / 64) * 64 rows, in host memory, made once
// per worker call and freed at its end.
#pragma once

#include <cstddef>

#include "AE_Effect.h"
#include "kernels/KernelArea.h"
#include "kernels/ScratchBlock.h"
#include "pipeline/PixelMask.h"

template <class Pixel>
class ColumnBuffer {
public:
    // False when the host has no memory for it.
    bool Allocate(const SPBasicSuite *basic, A_long height)
    {
        const size_t rows = (static_cast<size_t>(height) + 63) / 64 * 64;
        if (!block_.Allocate(basic, rows * (sizeof(Pixel) + 1))) return false;
        pixels_ = static_cast<Pixel *>(block_.get());
        selected_ = reinterpret_cast<A_u_char *>(pixels_ + rows);
        return true;
    }
    bool Allocated() const { return pixels_ != nullptr; }

    // Column x of rect: every mask byte, and the source pixels they select
    // (the others are never read).
    void Load(const PF_EffectWorld *source, const PixelMask &mask, const PF_LRect &rect, A_long x)
    {
        for (A_long y = 0; y < AreaHeight(rect); ++y) {
            selected_[y] = mask.Row(y)[x];
            if (selected_[y] != 0) pixels_[y] = PixelRow<Pixel>(source, rect.top + y)[rect.left + x];
        }
    }

    const Pixel *Pixels() const { return pixels_; }
    const A_u_char *Selected() const { return selected_; }

private:
    ScratchBlock block_;
    Pixel *pixels_ = nullptr;
    A_u_char *selected_ = nullptr;
};
