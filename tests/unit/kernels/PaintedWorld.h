// Small worlds painted from rows of letters, one letter a pixel.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fxhost/World.h"

// Found by argument lookup, so that vectors of pixels compare and print.
inline bool operator==(const PF_Pixel16 &a, const PF_Pixel16 &b)
{
    return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}

inline std::ostream &operator<<(std::ostream &out, const PF_Pixel16 &p)
{
    return out << "{" << p.alpha << ", " << p.red << ", " << p.green << ", " << p.blue << "}";
}

namespace painted {

template <class Pixel>
fxhost::World Paint(const std::vector<std::string> &rows, const std::map<char, Pixel> &palette,
                    PF_PixelFormat format)
{
    fxhost::World world(static_cast<A_long>(rows.front().size()), static_cast<A_long>(rows.size()), format);
    for (A_long y = 0; y < world.height(); ++y)
        for (A_long x = 0; x < world.width(); ++x) world.at<Pixel>(x, y) = palette.at(rows[y][x]);
    return world;
}

inline fxhost::World Paint16(const std::vector<std::string> &rows, const std::map<char, PF_Pixel16> &palette)
{
    return Paint(rows, palette, PF_PixelFormat_ARGB64);
}

inline fxhost::World PaintFloat(const std::vector<std::string> &rows, const std::map<char, PF_PixelFloat> &palette)
{
    return Paint(rows, palette, PF_PixelFormat_ARGB128);
}

// The pixels of a 16-bit world, row by row.
inline std::vector<std::vector<PF_Pixel16>> Pixels16(const fxhost::World &world)
{
    std::vector<std::vector<PF_Pixel16>> pixels(world.height());
    for (A_long y = 0; y < world.height(); ++y)
        pixels[y].assign(world.row<PF_Pixel16>(y), world.row<PF_Pixel16>(y) + world.width());
    return pixels;
}

// Opaque grey: all three colour channels v.
inline PF_Pixel16 Grey16(A_u_short v) { return {32768, v, v, v}; }

}  // namespace painted
