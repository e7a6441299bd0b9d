// Full HD frames of flat-coloured cels, shared by the benchmarks and the
// render checksum tool.
#pragma once

#include "fxhost/World.h"

constexpr A_long kFrameWidth = 1920;
constexpr A_long kFrameHeight = 1080;
constexpr PF_LRect kFrameArea = {0, 0, kFrameWidth, kFrameHeight};

// Four flat colours in slanted bands and blocks, the way cel artwork looks.
inline const PF_Pixel kCelColours[4] = {
    {255, 3, 180, 245}, {255, 250, 120, 10}, {255, 40, 40, 40}, {255, 230, 210, 200}};

inline int CelAt(A_long x, A_long y) { return ((x + y / 2) / 300 + y / 180) % 4; }

template <class Pixel>
Pixel Widen(const PF_Pixel &p);
template <>
inline PF_Pixel8 Widen(const PF_Pixel &p)
{
    return p;
}
template <>
inline PF_Pixel16 Widen(const PF_Pixel &p)
{
    const auto up = [](A_u_char v) { return static_cast<A_u_short>((v * 32768 + 128) / 255); };
    return {up(p.alpha), up(p.red), up(p.green), up(p.blue)};
}
template <>
inline PF_PixelFloat Widen(const PF_Pixel &p)
{
    return {p.alpha / 255.0f, p.red / 255.0f, p.green / 255.0f, p.blue / 255.0f};
}

template <class Pixel>
fxhost::World CelFrame(PF_PixelFormat format, A_long width = kFrameWidth, A_long height = kFrameHeight)
{
    fxhost::World world(width, height, format);
    for (A_long y = 0; y < height; ++y)
        for (A_long x = 0; x < width; ++x) world.at<Pixel>(x, y) = Widen<Pixel>(kCelColours[CelAt(x, y)]);
    return world;
}
