#include <gtest/gtest.h>

#include "PaintedWorld.h"
#include "kernels/EdgeSmoothing.h"

namespace {

PF_Pixel16 Blended16(PF_Pixel16 p, const PF_Pixel16 &q, A_long a)
{
    BlendToward16(p, q, a);
    return p;
}

void ExpectBlendedFloat(PF_PixelFloat p, const PF_PixelFloat &q, float x, const PF_PixelFloat &expected)
{
    BlendTowardFloat(p, q, x);
    EXPECT_FLOAT_EQ(p.alpha, expected.alpha);
    EXPECT_FLOAT_EQ(p.red, expected.red);
    EXPECT_FLOAT_EQ(p.green, expected.green);
    EXPECT_FLOAT_EQ(p.blue, expected.blue);
}

TEST(BlendToward16Test, EachAlphaCase)
{
    // Equal alphas, c = 49151: (10000 * 49151 + 20000 * 16384 + 32768) >> 16 = 12500.
    EXPECT_EQ(Blended16({32768, 0, 32768, 10000}, {32768, 32768, 0, 20000}, 16384),
              (PF_Pixel16{32768, 8192, 24576, 12500}));
    // Transparent target: only alpha fades, (49151 * 20000 + 32768) >> 16.
    EXPECT_EQ(Blended16({20000, 1, 2, 3}, {0, 32768, 32768, 32768}, 16384), (PF_Pixel16{15000, 1, 2, 3}));
    // Different alphas: c * 32768 / (32768 * 16384) = 1.99994, e = trunc(65535 / 2.99994 + 0.5)
    // = 21845, f = 43690; alpha (32768 * 16384 + 32767 * 32768 + 32768) >> 16.
    EXPECT_EQ(Blended16({32768, 32768, 0, 0}, {16384, 0, 32768, 0}, 32768), (PF_Pixel16{24576, 21845, 10923, 0}));
    // Transparent pixel: takes the target, alpha (16384 * 32768 + 32768) >> 16.
    EXPECT_EQ(Blended16({0, 1000, 2000, 3000}, {32768, 100, 200, 300}, 16384), (PF_Pixel16{8192, 100, 200, 300}));
}

TEST(BlendToward16Test, FullScaleChannelsDoNotOverflow)
{
    // 32768 * 35535 + 32768 * 30000 + 32768 is 2^31.
    EXPECT_EQ(Blended16({32768, 32768, 32768, 32768}, {32768, 32768, 32768, 32768}, 30000),
              (PF_Pixel16{32768, 32768, 32768, 32768}));
}

TEST(BlendTowardFloatTest, EachAlphaCase)
{
    ExpectBlendedFloat({1, 0, 1, 0.5f}, {1, 1, 0, 0.5f}, 0.25f, {1, 0.25f, 0.75f, 0.5f});
    ExpectBlendedFloat({0.8f, 0.2f, 0.3f, 0.4f}, {0, 1, 1, 1}, 0.25f, {0.6f, 0.2f, 0.3f, 0.4f});
    // k = 0.5, s = 1 / (0.5 / 0.25 + 1) = 1 / 3.
    ExpectBlendedFloat({1, 1, 0, 0}, {0.5f, 0, 1, 0}, 0.5f, {0.75f, 2.0f / 3, 1.0f / 3, 0});
    ExpectBlendedFloat({0, 0.9f, 0.9f, 0.9f}, {1, 0.2f, 0.4f, 0.6f}, 0.5f, {0.5f, 0.2f, 0.4f, 0.6f});
}

TEST(BlendTowardFloatTest, ZeroWeightOnTransparentPixelGivesNoNaN)
{
    ExpectBlendedFloat({0, 0.9f, 0.9f, 0.9f}, {1, 0.2f, 0.4f, 0.6f}, 0, {0, 0.2f, 0.4f, 0.6f});
}

}  // namespace
