// The rectangle a kernel works on and how it reaches the pixels of a world.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "AEConfig.h"
#include "AE_Effect.h"
#include "pipeline/PixelMask.h"

inline A_long AreaWidth(const PF_LRect &area) { return area.right - area.left; }
inline A_long AreaHeight(const PF_LRect &area) { return area.bottom - area.top; }
inline bool AreaEmpty(const PF_LRect &area) { return AreaWidth(area) <= 0 || AreaHeight(area) <= 0; }

// The area lies inside the world, corners in order.
inline bool AreaInside(const PF_EffectWorld *world, const PF_LRect &area)
{
    return world != nullptr && 0 <= area.left && area.left <= area.right && area.right <= world->width &&
           0 <= area.top && area.top <= area.bottom && area.bottom <= world->height;
}

// The mask has a byte for every pixel of the area.
inline bool MaskCovers(const PixelMask &mask, const PF_LRect &area)
{
    return AreaEmpty(area) ||
           (mask.data != nullptr && mask.width >= AreaWidth(area) && mask.height >= AreaHeight(area));
}

template <class Pixel>
Pixel *PixelRow(PF_EffectWorld *world, A_long y)
{
    return reinterpret_cast<Pixel *>(reinterpret_cast<char *>(world->data) +
                                     static_cast<ptrdiff_t>(y) * world->rowbytes);
}

template <class Pixel>
const Pixel *PixelRow(const PF_EffectWorld *world, A_long y)
{
    return reinterpret_cast<const Pixel *>(reinterpret_cast<const char *>(world->data) +
                                           static_cast<ptrdiff_t>(y) * world->rowbytes);
}

// What every area kernel checks before it starts: the area lies inside each
// world and the mask (when there is one) covers it.
inline PF_Err CheckArea(const PF_LRect &area, std::initializer_list<const PF_EffectWorld *> worlds,
                        const PixelMask *mask = nullptr)
{
    for (const PF_EffectWorld *world : worlds)
        if (!AreaInside(world, area)) return PF_Err_BAD_CALLBACK_PARAM;
    if (mask != nullptr && !MaskCovers(*mask, area)) return PF_Err_BAD_CALLBACK_PARAM;
    return PF_Err_NONE;
}

// Calls run(begin, end, selected) for each maximal run [begin, end) of
// selected (non-zero) or unselected bytes of a mask row, left to right. Flat
// artwork gives long runs, which the kernels then treat a whole run at a time.
template <class Run>
void ForEachRun(const A_u_char *row, A_long width, Run &&run)
{
    constexpr uint64_t kOnes = 0x0101010101010101ULL, kHighs = 0x8080808080808080ULL;
    A_long x = 0;
    while (x < width) {
        const bool selected = row[x] != 0;
        A_long end = x + 1;
        // Eight bytes at a time while all eight continue the run.
        for (uint64_t word; end + 8 <= width; end += 8) {
            std::memcpy(&word, row + end, sizeof word);
            const bool anyZero = ((word - kOnes) & ~word & kHighs) != 0;
            if (selected ? anyZero : word != 0) break;
        }
        while (end < width && (row[end] != 0) == selected) ++end;
        run(x, end, selected);
        x = end;
    }
}
