// Small worlds and masks drawn from text, for the kernel tests.
#pragma once

#include <string>
#include <vector>

#include "AE_EffectPixelFormat.h"
#include "fxhost/World.h"
#include "pipeline/PixelMask.h"

template <class Pixel>
PF_PixelFormat FormatOf();
template <>
inline PF_PixelFormat FormatOf<PF_Pixel8>() { return PF_PixelFormat_ARGB32; }
template <>
inline PF_PixelFormat FormatOf<PF_Pixel16>() { return PF_PixelFormat_ARGB64; }
template <>
inline PF_PixelFormat FormatOf<PF_PixelFloat>() { return PF_PixelFormat_ARGB128; }

// A world whose pixel (x, y) is colour(x, y).
template <class Pixel, class Colour>
fxhost::World PaintedWorld(A_long width, A_long height, Colour colour)
{
    fxhost::World world(width, height, FormatOf<Pixel>());
    for (A_long y = 0; y < height; ++y)
        for (A_long x = 0; x < width; ++x) world.at<Pixel>(x, y) = colour(x, y);
    return world;
}

template <class Pixel>
fxhost::World FlatWorld(A_long width, A_long height, Pixel pixel)
{
    return PaintedWorld<Pixel>(width, height, [pixel](A_long, A_long) { return pixel; });
}

// One string per row; '.' is an unselected byte, a digit that value, any
// other character 1. The flags are exact.
inline PixelMask DrawMask(PF_InData *in_data, const std::vector<std::string> &rows)
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

// The mask's plane drawn back as text, '.' for 0 and the digit otherwise.
inline std::vector<std::string> MaskText(const PixelMask &mask)
{
    std::vector<std::string> rows;
    for (A_long y = 0; y < mask.height; ++y) {
        std::string row;
        for (A_long x = 0; x < mask.width; ++x)
            row += mask.Row(y)[x] == 0 ? '.' : static_cast<char>('0' + mask.Row(y)[x]);
        rows.push_back(row);
    }
    return rows;
}

inline std::string FlagText(const A_u_char *flags, A_long count)
{
    std::string text;
    for (A_long i = 0; i < count; ++i) text += flags[i] != 0 ? '1' : '0';
    return text;
}
