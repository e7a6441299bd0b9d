// What the edge smoothing does differently at each pixel depth: the pixel
// type, the weight scale and the arithmetic of the weights and blends.
// Weights are written on the 16-bit scale 0 ... 65535; the float depth
// divides them by 65535.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "kernels/EdgeSmoothing.h"

struct Depth16 {
    using Pixel = PF_Pixel16;
    using Weight = A_long;

    static A_long Threshold(A_long threshold) { return threshold * 32768 / 255; }
    static Weight Fixed(A_long weight) { return weight; }
    static float IsolatedWeight(A_long strength) { return static_cast<float>(strength * 32767 / 200) / 65535.0f; }
    static Weight GapWeight(A_long strength)
    {
        return strength >= 70 ? 6553 : static_cast<Weight>((1 - (70 - strength) / 70.0) * 6553);
    }

    static constexpr Weight kHalfRampLevel = 32767;
    static constexpr Weight kFullRampLevel = 65535;
    static Weight RampStep(A_long coverage, A_long length)
    {
        return 3276700 / (std::max(coverage, A_long{1}) * (length + 1));
    }
    // One division of the doubled numerator, not twice the half ramp's step.
    static Weight FullRampStep(A_long coverage, A_long length)
    {
        return 2 * 3276700 / (std::max(coverage, A_long{1}) * (length + 1));
    }
    static Weight HalfStep(Weight step) { return step >> 1; }
    // level * level exceeds 32 bits for a full ramp at low strength.
    static Weight LastWeight(Weight level, Weight step)
    {
        return static_cast<Weight>(std::int64_t{level} * level / (2 * std::int64_t{step}));
    }

    static void Blend(Pixel &p, const Pixel &q, Weight weight) { BlendToward16(p, q, weight); }

    // The centre's new value from its neighbours' weighted sums, rounded to
    // the nearest step of 16-bit channels.
    static void MixIsolated(Pixel &centre, const Pixel *const *neighbours, int count, float weight)
    {
        float alphaSum = 0;
        for (int i = 0; i < count; ++i) alphaSum += neighbours[i]->alpha;
        const float alpha0 = centre.alpha;
        const float total = alpha0 + weight * alphaSum;
        const float norm = 1 + static_cast<float>(count) * weight;
        const auto colour = [&](A_u_short Pixel::*channel) {
            float sum = 0;
            for (int i = 0; i < count; ++i)
                sum += static_cast<float>(neighbours[i]->*channel) * static_cast<float>(neighbours[i]->alpha);
            const float mixed = (static_cast<float>(centre.*channel) * alpha0 + weight * sum + total / 2) / total;
            centre.*channel = static_cast<A_u_short>(mixed);
        };
        centre.alpha = static_cast<A_u_short>((total + norm / 2) / norm);
        if (total == 0) return;
        colour(&Pixel::red);
        colour(&Pixel::green);
        colour(&Pixel::blue);
    }
};

struct DepthFloat {
    using Pixel = PF_PixelFloat;
    using Weight = float;

    static float Threshold(A_long threshold) { return static_cast<float>(threshold) / 255.0f; }
    static Weight Fixed(A_long weight) { return static_cast<float>(weight) / 65535.0f; }
    static float IsolatedWeight(A_long strength) { return static_cast<float>(strength) * 0.5f / 200.0f; }
    static Weight GapWeight(A_long strength)
    {
        return strength >= 70 ? 0.1f : (1 - static_cast<float>(70 - strength) / 70.0f) * 0.1f;
    }

    static constexpr Weight kHalfRampLevel = 0.5f;
    static constexpr Weight kFullRampLevel = 1.0f;
    static Weight RampStep(A_long coverage, A_long length)
    {
        return 50.0f / static_cast<float>(std::max(coverage, A_long{1}) * (length + 1));
    }
    static Weight FullRampStep(A_long coverage, A_long length) { return 2 * RampStep(coverage, length); }
    static Weight HalfStep(Weight step) { return step / 2; }
    static Weight LastWeight(Weight level, Weight step) { return level * level / (2 * step); }

    static void Blend(Pixel &p, const Pixel &q, Weight weight) { BlendTowardFloat(p, q, weight); }

    // As the 16-bit form without its rounding to whole channel steps.
    static void MixIsolated(Pixel &centre, const Pixel *const *neighbours, int count, float weight)
    {
        float alphaSum = 0;
        for (int i = 0; i < count; ++i) alphaSum += neighbours[i]->alpha;
        const float alpha0 = centre.alpha;
        const float total = alpha0 + weight * alphaSum;
        const float norm = 1 + static_cast<float>(count) * weight;
        const auto colour = [&](float Pixel::*channel) {
            float sum = 0;
            for (int i = 0; i < count; ++i) sum += neighbours[i]->*channel * neighbours[i]->alpha;
            centre.*channel = (centre.*channel * alpha0 + weight * sum) / total;
        };
        centre.alpha = total / norm;
        if (total == 0) return;
        colour(&Pixel::red);
        colour(&Pixel::green);
        colour(&Pixel::blue);
    }
};
