// A column pass worker's private copy of one column at a time: the bytes of
// one or more masks and the source pixels for ceil(height / 64) * 64 rows, in
// host memory, made once per worker call and freed at its end.
#pragma once

#include <array>
#include <cstddef>

#include "AEConfig.h"
#include "AE_Effect.h"
#include "kernels/KernelArea.h"
#include "kernels/ScratchBlock.h"
#include "pipeline/PixelMask.h"

template <class Pixel, int Planes = 1>
class ColumnBuffer {
public:
    // False when the host has no memory for it.
    bool Allocate(const SPBasicSuite *basic, A_long height)
    {
        const size_t rows = (static_cast<size_t>(height) + 63) / 64 * 64;
        if (!block_.Allocate(basic, rows * (sizeof(Pixel) + Planes))) return false;
        pixels_ = static_cast<Pixel *>(block_.get());
        for (int i = 0; i < Planes; ++i) planes_[i] = reinterpret_cast<A_u_char *>(pixels_ + rows) + i * rows;
        return true;
    }
    bool Allocated() const { return pixels_ != nullptr; }

    // Column x of rect: every byte of each mask, and the source pixels the
    // first mask selects (the others are never read).
    void Load(const PF_EffectWorld *source, const std::array<const PixelMask *, Planes> &masks, const PF_LRect &rect,
              A_long x)
    {
        for (A_long y = 0; y < AreaHeight(rect); ++y) {
            for (int i = 0; i < Planes; ++i) planes_[i][y] = masks[i]->Row(y)[x];
            if (planes_[0][y] != 0) pixels_[y] = PixelRow<Pixel>(source, rect.top + y)[rect.left + x];
        }
    }

    const Pixel *Pixels() const { return pixels_; }
    const A_u_char *Selected(int plane = 0) const { return planes_[plane]; }

private:
    ScratchBlock block_;
    Pixel *pixels_ = nullptr;
    std::array<A_u_char *, Planes> planes_{};
};
