// Test images: deterministic pixel patterns at every depth.
#pragma once

#include <cstdint>

#include "fxhost/World.h"

namespace testpixels {

// A pattern that differs in every channel of every pixel, within the range
// each depth uses (16-bit: 0..32768, float: 0..1).
inline void FillPattern(fxhost::World &world, uint32_t seed = 1)
{
    uint32_t state = seed * 2654435761u + 1;
    auto next = [&state]() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (A_long y = 0; y < world.height(); ++y) {
        for (A_long x = 0; x < world.width(); ++x) {
            switch (world.format()) {
            case PF_PixelFormat_ARGB32: {
                auto c = [&] { return static_cast<A_u_char>(next() % 256); };
                world.at<PF_Pixel8>(x, y) = {c(), c(), c(), c()};
                break;
            }
            case PF_PixelFormat_ARGB64: {
                auto c = [&] { return static_cast<A_u_short>(next() % 32769); };
                world.at<PF_Pixel16>(x, y) = {c(), c(), c(), c()};
                break;
            }
            default: {
                auto c = [&] { return static_cast<float>(next() % 1000001) / 1000000.0f; };
                world.at<PF_PixelFloat>(x, y) = {c(), c(), c(), c()};
                break;
            }
            }
        }
    }
}

// A picture given in 8 bits per channel (pixelAt(x, y) returns a PF_Pixel),
// drawn at the depth of `format` with each value converted exactly: 16-bit
// (v * 32768 + 128) / 255, float v / 255.
template <class PixelAt>
fxhost::World Draw(A_long width, A_long height, PF_PixelFormat format, PixelAt pixelAt)
{
    fxhost::World world(width, height, format);
    for (A_long y = 0; y < height; ++y) {
        for (A_long x = 0; x < width; ++x) {
            const PF_Pixel p = pixelAt(x, y);
            if (format == PF_PixelFormat_ARGB32) {
                world.at<PF_Pixel8>(x, y) = p;
            } else if (format == PF_PixelFormat_ARGB64) {
                auto c = [](A_u_char v) { return static_cast<A_u_short>((v * 32768 + 128) / 255); };
                world.at<PF_Pixel16>(x, y) = {c(p.alpha), c(p.red), c(p.green), c(p.blue)};
            } else {
                auto c = [](A_u_char v) { return v / 255.0f; };
                world.at<PF_PixelFloat>(x, y) = {c(p.alpha), c(p.red), c(p.green), c(p.blue)};
            }
        }
    }
    return world;
}

}  // namespace testpixels
