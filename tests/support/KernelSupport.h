// Small worlds and masks drawn from text, for the kernel tests.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "AE_EffectPixelFormat.h"
#include "fxhost/World.h"
#include "kernels/BlurLine.h"
#include "kernels/GaussTable.h"
#include "pipeline/PixelMask.h"

using Rows = std::vector<std::string>;

// A world of the pixel's format whose pixel (x, y) is colour(x, y).
template <class Pixel, class Colour>
fxhost::World PaintedWorld(A_long width, A_long height, Colour colour)
{
    fxhost::World world(width, height,
                        sizeof(Pixel) == 4   ? PF_PixelFormat_ARGB32
                        : sizeof(Pixel) == 8 ? PF_PixelFormat_ARGB64
                                             : PF_PixelFormat_ARGB128);
    for (A_long y = 0; y < height; ++y)
        for (A_long x = 0; x < width; ++x) world.at<Pixel>(x, y) = colour(x, y);
    return world;
}

template <class Pixel>
fxhost::World FlatWorld(A_long width, A_long height, Pixel pixel)
{
    return PaintedWorld<Pixel>(width, height, [pixel](A_long, A_long) { return pixel; });
}

// One string per row: '.' is 0, a digit that value, anything else 1. The
// flags are exact.
inline PixelMask DrawMask(PF_InData *in_data, const Rows &rows)
{
    PixelMask mask;
    mask.AllocateMask(in_data, static_cast<A_long>(rows[0].size()), static_cast<A_long>(rows.size()));
    for (A_long y = 0; y < mask.height; ++y)
        for (A_long x = 0; x < mask.width; ++x) {
            const char c = rows[y][x];
            mask.Row(y)[x] = c == '.' ? 0 : (c >= '0' && c <= '9') ? c - '0' : 1;
        }
    mask.RecomputeFlags();
    return mask;
}

// The plane drawn back as text ('.' for 0, else the digit).
inline Rows MaskText(const PixelMask &mask)
{
    Rows rows(mask.height);
    for (A_long y = 0; y < mask.height; ++y)
        for (A_long x = 0; x < mask.width; ++x) rows[y] += mask.Row(y)[x] == 0 ? '.' : char('0' + mask.Row(y)[x]);
    return rows;
}

// Row flags, a bar, column flags: "101|0110".
inline std::string FlagText(const PixelMask &mask)
{
    std::string text;
    for (A_long y = 0; y < mask.height; ++y) text += mask.rowFlags[y] != 0 ? '1' : '0';
    text += '|';
    for (A_long x = 0; x < mask.width; ++x) text += mask.columnFlags[x] != 0 ? '1' : '0';
    return text;
}

// A table of the given taps (distance 0 first) for n taps per side, with an
// optional tail total; it need not sum to 32768.
inline GaussTable Table(std::vector<A_u_short> taps, A_long n, A_u_short tailTotal = 0)
{
    GaussTable table{};
    std::copy(taps.begin(), taps.end(), table.taps);
    table.stored = static_cast<A_long>(taps.size());
    table.n = n;
    table.tailTotal = tailTotal;
    return table;
}

// The window [lo, hi] of pixel `at` of a line of `length` pixels for a table
// of n taps a side: run-limited, clipped to the run of counted pixels that
// holds it.
template <class Counted>
void FormulaWindow(const Counted &counted, A_long length, A_long at, BlurForm form, const GaussTable &table, A_long &lo,
                   A_long &hi)
{
    lo = std::max<A_long>(0, at - (table.n - 1));
    hi = std::min(length - 1, at + table.n - 1);
    if (form != BlurForm::RunLimited) return;
    for (A_long p = at; p >= lo; --p)
        if (!counted(p)) lo = p + 1;
    for (A_long p = at; p <= hi; ++p)
        if (!counted(p)) hi = p - 1;
}
