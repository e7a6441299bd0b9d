// The patterns beyond straight steps: diagonal walks along 45-degree
// staircases, corner restores, the gap blend, isolated pixels,
// three-quarter restores and two-pixel corners.
#pragma once

#include "kernels/StepRamps.h"

enum class BoundaryKind { Vertical, Horizontal };

// One diagonal walk; offsets are relative to the boundary pixel (x, y).
struct DiagonalWalk {
    A_long startX, startY;      // the first cell; it must carry the crossing bit
    A_long stepX, stepY;        // the diagonal direction
    A_u_char crossing;          // the bit every visited cell carries
    A_u_char blocking;          // stops the walk when set on the cell or its partner
    A_long partnerX, partnerY;  // where the partner cell lies
    A_long blendX, blendY;      // the pixel blended at step 0
    A_long fromX, fromY;        // its source pixel, relative to the blended pixel
    bool restoresSource;        // upward walks also restore the source pixel
};

// Vertical walks: up-right, down-left, up-left, down-right.
inline constexpr DiagonalWalk kVerticalWalks[] = {
    {1, -1, 1, -1, EdgeMap::kD, EdgeMap::kY, -1, 0, 1, 0, 0, -1, true},
    {0, 1, -1, 1, EdgeMap::kD, EdgeMap::kY, -1, 0, 0, 1, 0, 1, false},
    {0, -1, -1, -1, EdgeMap::kD, EdgeMap::kX, -1, 0, 0, 0, 0, -1, true},
    {1, 1, 1, 1, EdgeMap::kD, EdgeMap::kX, -1, 0, 1, 1, 0, 1, false},
};
// Horizontal walks: up-right, down-left, up-left, down-right.
inline constexpr DiagonalWalk kHorizontalWalks[] = {
    {0, 0, 1, -1, EdgeMap::kR, EdgeMap::kY, 0, -1, 0, 0, 1, 0, true},
    {-2, 1, -1, 1, EdgeMap::kR, EdgeMap::kY, 0, -1, -1, 1, -1, 0, false},
    {-2, 0, -1, -1, EdgeMap::kR, EdgeMap::kX, 0, -1, -1, 0, -1, 0, true},
    {0, 1, 1, 1, EdgeMap::kR, EdgeMap::kX, 0, -1, 0, 1, 1, 0, false},
};

// j: the cells stepped onto that carry the crossing bit, minus one; -1 when
// the start cell lacks it and the walk does not run.
inline A_long DiagonalWalkLength(const EdgeMap &map, const DiagonalWalk &walk, A_long x, A_long y)
{
    A_long cellX = x + walk.startX, cellY = y + walk.startY;
    if ((map.bits(cellX, cellY) & walk.crossing) == 0) return -1;
    A_long j = -1;
    while (((map.bits(cellX, cellY) | map.bits(cellX + walk.partnerX, cellY + walk.partnerY)) & walk.blocking) == 0) {
        cellX += walk.stepX;
        cellY += walk.stepY;
        ++j;
        if ((map.bits(cellX, cellY) & walk.crossing) == 0) break;
    }
    return j;
}

// True when the walk blended.
template <class Depth>
bool ApplyDiagonalWalk(const SmoothingPass<Depth> &pass, const DiagonalWalk &walk, A_long x, A_long y)
{
    using Weight = typename Depth::Weight;
    const A_long j = DiagonalWalkLength(pass.map, walk, x, y);
    if (j < 1) return false;
    const Weight step = Depth::RampStep(pass.strength, j);
    Weight level = Depth::Fixed(21844);
    for (A_long k = 0;; ++k) {
        const A_long blendX = x + walk.blendX + k * walk.stepX, blendY = y + walk.blendY + k * walk.stepY;
        const A_long fromX = blendX + walk.fromX, fromY = blendY + walk.fromY;
        // Only a strength far above the render driver's outlasts the walked cells.
        if (!pass.destination.contains(blendX, blendY) || !pass.destination.contains(fromX, fromY)) break;
        Weight weight;
        const bool more = RampWeight<Depth>(level, step, weight);
        BlendFrom(pass, blendX, blendY, fromX, fromY, weight);
        if (walk.restoresSource) {
            Weight restore;
            RampWeight<Depth>(level + Depth::Fixed(10923), step, restore);
            Restore(pass, fromX, fromY, restore);
        }
        if (!more) break;
        level -= step;
    }
    return true;
}

// True when any walk of the kind blended.
template <class Depth>
bool DiagonalWalks(const SmoothingPass<Depth> &pass, BoundaryKind kind, A_long x, A_long y)
{
    const EdgeMap &map = pass.map;
    const bool runs = kind == BoundaryKind::Vertical
                          ? map.R(x, y + 1) && !map.D(x, y) && !map.D(x + 1, y)
                          : map.D(x - 1, y) && !map.R(x - 1, y) && !map.R(x - 1, y + 1);
    if (!runs) return false;
    bool applied = false;
    for (const DiagonalWalk &walk : kind == BoundaryKind::Vertical ? kVerticalWalks : kHorizontalWalks)
        applied = ApplyDiagonalWalk(pass, walk, x, y) || applied;
    return applied;
}

// Across a vertical boundary with no step ramp and no diagonal, a light
// blend of each unramped side.
template <class Depth>
void GapBlend(const SmoothingPass<Depth> &pass, const BoundaryRamps &ramps, A_long x, A_long y)
{
    const EdgeMap &map = pass.map;
    if ((map.Y(x, y) || map.Y(x, y - 1)) && (map.X(x, y) || map.X(x, y - 1))) return;
    if (!ramps.second) BlendFrom(pass, x + 1, y, x, y, pass.gapWeight);
    if (!ramps.first) BlendFrom(pass, x, y, x + 1, y, pass.gapWeight);
}

// Corner restores: the first matching corner of a list is half restored.
// The conditions are tested left to right, so that a row two or three
// above is only read once a nearer bit has placed it inside the map.
template <class Depth>
void VerticalCornerRestores(const SmoothingPass<Depth> &pass, A_long x, A_long y)
{
    const EdgeMap &m = pass.map;
    const auto weight = Depth::Fixed(32767);
    if (m.D(x, y - 1) && !m.X(x, y) && m.D(x - 1, y - 1) && !m.R(x - 1, y) && m.D(x - 1, y) && m.R(x - 2, y) &&
        m.D(x - 2, y - 1) && m.R(x - 2, y - 1) && !m.X(x - 2, y - 1) && m.D(x - 2, y - 2))
        Restore(pass, x - 1, y, weight);
    else if (m.R(x - 1, y) && m.D(x, y - 1) && m.R(x, y - 1) && !m.Y(x, y - 1) && m.D(x + 1, y - 1) &&
             m.R(x + 1, y - 1) && m.R(x, y - 2) && !m.D(x + 1, y - 2) && m.R(x + 1, y - 3) && !m.Y(x + 1, y - 3))
        Restore(pass, x + 1, y - 1, weight);
    else if (m.R(x - 1, y) && m.D(x, y - 1) && m.R(x - 1, y - 1) && !m.X(x - 1, y - 1) && m.D(x - 1, y - 1) &&
             m.R(x - 2, y - 1) && m.R(x - 1, y - 2) && !m.D(x - 1, y - 2) && m.D(x - 1, y - 3) && !m.X(x - 2, y - 3))
        Restore(pass, x - 1, y - 1, weight);
}

template <class Depth>
void HorizontalCornerRestores(const SmoothingPass<Depth> &pass, A_long x, A_long y)
{
    const EdgeMap &m = pass.map;
    const auto weight = Depth::Fixed(32767);
    if (m.D(x, y - 1) && !m.Y(x, y - 1) && m.R(x, y - 1) && m.D(x + 1, y - 1) && m.D(x + 1, y - 2) &&
        m.D(x - 1, y - 1) && m.R(x - 2, y) && !m.R(x - 1, y) && !m.Y(x - 2, y))
        Restore(pass, x, y, weight);
    else if (m.R(x - 1, y) && m.D(x, y - 1) && !m.X(x - 1, y - 1) && m.D(x - 1, y - 1) && m.R(x - 1, y - 1) &&
             m.D(x - 1, y - 2) && m.D(x - 2, y - 1) && m.R(x - 3, y - 1) && !m.R(x - 2, y - 1) && !m.X(x - 3, y - 2))
        Restore(pass, x - 1, y - 1, weight);
    else if (m.R(x - 1, y) && m.R(x - 1, y - 1) && !m.D(x, y - 1) && m.R(x, y - 1) && m.D(x, y - 2) &&
             m.R(x - 1, y - 2) && m.D(x - 1, y - 2) && !m.X(x - 1, y - 2) && m.R(x - 2, y - 2) && !m.X(x, y))
        Restore(pass, x, y - 1, weight);
}

// Only where both a vertical and a horizontal boundary start at (x, y).
template <class Depth>
void CrossingCornerRestores(const SmoothingPass<Depth> &pass, A_long x, A_long y)
{
    const EdgeMap &m = pass.map;
    const auto weight = Depth::Fixed(32767);
    if (m.R(x, y - 1) && m.D(x, y - 1) && m.D(x + 1, y - 1) && m.D(x + 1, y - 2) && m.R(x + 2, y - 1) &&
        m.D(x + 2, y - 1) && !m.R(x + 1, y - 1) && !m.Y(x + 2, y - 2) && !m.Y(x, y - 1))
        Restore(pass, x + 1, y - 1, weight);
    else if (m.R(x, y - 1) && m.R(x, y - 2) && m.R(x - 1, y - 1) && m.D(x, y - 2) && m.D(x + 1, y - 2) &&
             m.R(x + 1, y - 2) && !m.D(x, y - 1) && !m.Y(x, y - 2) && !m.Y(x - 1, y))
        Restore(pass, x, y - 1, weight);
}

// The centre (from destination) mixed with each of its neighbours inside
// the world (from source), in the order left, right, above, below.
template <class Depth>
void SmoothIsolatedPixel(const SmoothingPass<Depth> &pass, A_long x, A_long y)
{
    const typename Depth::Pixel *neighbours[4];
    int count = 0;
    const A_long around[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
    for (const auto &at : around)
        if (pass.source.contains(at[0], at[1])) neighbours[count++] = &pass.source.at(at[0], at[1]);
    Depth::MixIsolated(pass.destination.at(x, y), neighbours, count, pass.isolatedWeight);
}

// Three-quarter restores. None falls on column 0: there the border's clear
// bits make both a and b hold, and the last rule needs R(x - 1, y).
template <class Depth>
void ThreeQuarterRestores(const SmoothingPass<Depth> &pass, A_long x, A_long y)
{
    const EdgeMap &m = pass.map;
    const auto weight = Depth::Fixed(49151);
    const auto restore = [&](A_long rx, A_long ry) { Restore(pass, rx, ry, weight); };
    if (m.R(x, y)) {
        if (x < m.width() - 3 && y > 2 && !m.X(x, y - 2) && m.D(x + 1, y - 2) && m.D(x + 2, y - 2) &&
            m.R(x, y - 1) && !m.D(x + 1, y - 1) && !m.R(x + 1, y - 1)) {
            restore(x + 1, y - 1);
            return;
        }
        const bool a = !m.D(x - 1, y - 1) || !m.D(x, y - 1) || m.Y(x, y - 1) || m.R(x - 1, y) || m.D(x, y) ||
                       !m.R(x, y + 1);
        const bool b = !m.R(x, y - 1) || m.D(x, y - 1) || m.R(x - 1, y) || !m.D(x - 1, y) || !m.D(x, y) ||
                       m.X(x, y);
        if (!(a && b)) restore(x, y);
    } else if (m.R(x - 1, y - 1) && !m.D(x, y - 1) && m.R(x - 1, y) && !m.Y(x - 1, y) && m.D(x + 1, y)) {
        restore(x, y);
    }
}

// Two-pixel corners: the pixels that close a two-pixel notch take a little
// of the colour next to them.
template <class Depth>
void TwoPixelCorners(const SmoothingPass<Depth> &pass, A_long x, A_long y)
{
    const EdgeMap &m = pass.map;
    const auto weight = Depth::Fixed(10922);
    if (m.R(x, y)) {
        if (m.D(x, y - 1) && m.D(x + 1, y - 1) && !m.R(x, y - 1)) {
            if (!m.X(x - 1, y - 1)) BlendFrom(pass, x, y - 1, x, y, weight);
            if (!m.Y(x + 1, y - 1)) BlendFrom(pass, x + 1, y - 1, x + 1, y, weight);
        }
        if (m.D(x, y) && m.D(x + 1, y) && !m.R(x, y + 1)) {
            if (!m.Y(x - 1, y)) BlendFrom(pass, x, y + 1, x, y, weight);
            if (!m.X(x + 1, y)) BlendFrom(pass, x + 1, y + 1, x + 1, y, weight);
        }
    }
    if (m.D(x, y)) {
        if (m.R(x - 1, y) && m.R(x - 1, y + 1) && !m.D(x - 1, y)) {
            if (!m.X(x - 1, y - 1)) BlendFrom(pass, x - 1, y, x, y, weight);
            if (!m.Y(x - 1, y + 1)) BlendFrom(pass, x - 1, y + 1, x, y + 1, weight);
        }
        if (m.R(x, y) && m.R(x, y + 1) && !m.D(x + 1, y)) {
            if (!m.Y(x, y - 1)) BlendFrom(pass, x + 1, y, x, y, weight);
            if (!m.X(x, y + 1)) BlendFrom(pass, x + 1, y + 1, x, y + 1, weight);
        }
    }
}

// All the work at one pixel of the map, in order.
template <class Depth>
void SmoothAt(const SmoothingPass<Depth> &pass, A_long x, A_long y)
{
    const EdgeMap &map = pass.map;
    const bool vertical = map.R(x, y), horizontal = map.D(x, y);
    if (!vertical && !horizontal) return;
    bool fullRamp = false;
    if (vertical) {
        const BoundaryRamps ramps = VerticalBoundaryRamps(pass, x, y);
        if (!DiagonalWalks(pass, BoundaryKind::Vertical, x, y)) GapBlend(pass, ramps, x, y);
        VerticalCornerRestores(pass, x, y);
        fullRamp = ramps.full;
    }
    if (horizontal) {
        const BoundaryRamps ramps = HorizontalBoundaryRamps(pass, x, y);
        DiagonalWalks(pass, BoundaryKind::Horizontal, x, y);
        HorizontalCornerRestores(pass, x, y);
        if (vertical) CrossingCornerRestores(pass, x, y);
        fullRamp = fullRamp || ramps.full;
    }
    if (!fullRamp) {
        if (IsIsolatedPixel(map, x, y))
            SmoothIsolatedPixel(pass, x, y);
        else
            ThreeQuarterRestores(pass, x, y);
    }
    TwoPixelCorners(pass, x, y);
}

// Rows top to bottom, columns left to right; groups of four pixels without
// flags are passed over at once.
template <class Depth>
void SmoothAll(const SmoothingPass<Depth> &pass)
{
    const EdgeMap &map = pass.map;
    for (A_long y = 0; y < map.height(); ++y)
        for (A_long x = 0; x < map.width(); x += 4) {
            if (map.group(x, y) == 0) continue;
            for (A_long i = x; i < x + 4 && i < map.width(); ++i) SmoothAt(pass, i, y);
        }
}
