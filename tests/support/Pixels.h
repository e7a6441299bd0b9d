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

}  // namespace testpixels
