// The record one smoothing pass works on, and the ways it changes pixels:
// blends towards a source colour, restores, and ramps of falling weight.
#pragma once

#include "kernels/EdgeMap.h"

template <class Pixel>
class PixelPlane {
public:
    explicit PixelPlane(const PF_EffectWorld &world) : world_(world) {}

    A_long width() const { return world_.width; }
    A_long height() const { return world_.height; }
    bool contains(A_long x, A_long y) const { return x >= 0 && x < world_.width && y >= 0 && y < world_.height; }

    Pixel &at(A_long x, A_long y) const
    {
        return reinterpret_cast<Pixel *>(reinterpret_cast<A_u_char *>(world_.data) +
                                         static_cast<std::ptrdiff_t>(y) * world_.rowbytes)[x];
    }

private:
    const PF_EffectWorld &world_;
};

// Every colour blended towards comes from source; the blends read and
// write destination.
template <class Depth>
struct SmoothingPass {
    using Pixel = typename Depth::Pixel;
    using Weight = typename Depth::Weight;

    const EdgeMap &map;
    PixelPlane<Pixel> source;
    PixelPlane<Pixel> destination;
    A_long strength;
    float isolatedWeight;
    Weight gapWeight;
};

template <class Depth>
SmoothingPass<Depth> MakeSmoothingPass(const EdgeMap &map, const PF_EffectWorld &source,
                                       const PF_EffectWorld &destination, A_long strength)
{
    return {map,
            PixelPlane<typename Depth::Pixel>(source),
            PixelPlane<typename Depth::Pixel>(destination),
            strength,
            Depth::IsolatedWeight(strength),
            Depth::GapWeight(strength)};
}

// Blends destination (x, y) towards source (fromX, fromY).
template <class Depth>
void BlendFrom(const SmoothingPass<Depth> &pass, A_long x, A_long y, A_long fromX, A_long fromY,
               typename Depth::Weight weight)
{
    Depth::Blend(pass.destination.at(x, y), pass.source.at(fromX, fromY), weight);
}

// Blends destination (x, y) back towards its own source pixel.
template <class Depth>
void Restore(const SmoothingPass<Depth> &pass, A_long x, A_long y, typename Depth::Weight weight)
{
    BlendFrom(pass, x, y, x, y, weight);
}

// The weight of a ramp pixel at the given level; false when the level runs
// out within this pixel, which makes it the ramp's last.
template <class Depth>
bool RampWeight(typename Depth::Weight level, typename Depth::Weight step, typename Depth::Weight &weight)
{
    if (level - step > 0) {
        weight = level - Depth::HalfStep(step);
        return true;
    }
    weight = Depth::LastWeight(level, step);
    return false;
}

// Blends the pixels from (x, y) on in direction (dx, dy) towards source
// (fromX, fromY) with falling weights, until the level runs out or the
// row or column ends.
template <class Depth>
void BlendRamp(const SmoothingPass<Depth> &pass, typename Depth::Weight level, typename Depth::Weight step, A_long x,
               A_long y, A_long dx, A_long dy, A_long fromX, A_long fromY)
{
    for (; pass.destination.contains(x, y); x += dx, y += dy) {
        typename Depth::Weight weight;
        const bool more = RampWeight<Depth>(level, step, weight);
        BlendFrom(pass, x, y, fromX, fromY, weight);
        if (!more) return;
        level -= step;
    }
}
