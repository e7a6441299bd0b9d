#include <gtest/gtest.h>

#include <cmath>

#include "kernels/EdgeSmoothing.h"

namespace {

void ExpectPixel(const PF_Pixel16 &p, A_u_short alpha, A_u_short red, A_u_short green, A_u_short blue)
{
    EXPECT_EQ(p.alpha, alpha);
    EXPECT_EQ(p.red, red);
    EXPECT_EQ(p.green, green);
    EXPECT_EQ(p.blue, blue);
}

void ExpectPixel(const PF_PixelFloat &p, float alpha, float red, float green, float blue)
{
    EXPECT_FLOAT_EQ(p.alpha, alpha);
    EXPECT_FLOAT_EQ(p.red, red);
    EXPECT_FLOAT_EQ(p.green, green);
    EXPECT_FLOAT_EQ(p.blue, blue);
}

TEST(BlendToward16Test, EqualAlphasMixTheColoursAndKeepAlpha)
{
    // c = 49151: red (32768 * 16384 + 32768) >> 16 = 8192,
    // green 32768 * 49152 >> 16 = 24576, blue (10000 * 49151 + 20000 * 16384 + 32768) >> 16 = 12500.
    PF_Pixel16 p{32768, 0, 32768, 10000};
    BlendToward16(p, {32768, 32768, 0, 20000}, 16384);
    ExpectPixel(p, 32768, 8192, 24576, 12500);
}

TEST(BlendToward16Test, FullScaleChannelsDoNotOverflow)
{
    // 32768 * 35535 + 32768 * 30000 + 32768 is 2^31.
    PF_Pixel16 p{32768, 32768, 32768, 32768};
    BlendToward16(p, {32768, 32768, 32768, 32768}, 30000);
    ExpectPixel(p, 32768, 32768, 32768, 32768);
}

TEST(BlendToward16Test, TransparentTargetOnlyFadesAlpha)
{
    // (49151 * 20000 + 32768) >> 16 = 15000.
    PF_Pixel16 p{20000, 1, 2, 3};
    BlendToward16(p, {0, 32768, 32768, 32768}, 16384);
    ExpectPixel(p, 15000, 1, 2, 3);
}

TEST(BlendToward16Test, DifferentAlphasMixColoursByAlphaShare)
{
    // c = 32767; c * 32768 / (32768 * 16384) = 1.99994, e = trunc(65535 / 2.99994 + 0.5) = 21845,
    // f = 43690: red 32768 * 43691 >> 16 = 21845, green 32768 * 21846 >> 16 = 10923,
    // alpha (32768 * 16384 + 32767 * 32768 + 32768) >> 16 = 24576.
    PF_Pixel16 p{32768, 32768, 0, 0};
    BlendToward16(p, {16384, 0, 32768, 0}, 32768);
    ExpectPixel(p, 24576, 21845, 10923, 0);
}

TEST(BlendToward16Test, TransparentPixelTakesTheTargetColour)
{
    // alpha (16384 * 32768 + 32768) >> 16 = 8192.
    PF_Pixel16 p{0, 1000, 2000, 3000};
    BlendToward16(p, {32768, 100, 200, 300}, 16384);
    ExpectPixel(p, 8192, 100, 200, 300);
}

TEST(BlendTowardFloatTest, EqualAlphasMixTheColours)
{
    PF_PixelFloat p{1, 0, 1, 0.5f};
    BlendTowardFloat(p, {1, 1, 0, 0.5f}, 0.25f);
    ExpectPixel(p, 1, 0.25f, 0.75f, 0.5f);
}

TEST(BlendTowardFloatTest, TransparentTargetOnlyFadesAlpha)
{
    PF_PixelFloat p{0.8f, 0.2f, 0.3f, 0.4f};
    BlendTowardFloat(p, {0, 1, 1, 1}, 0.25f);
    ExpectPixel(p, 0.6f, 0.2f, 0.3f, 0.4f);
}

TEST(BlendTowardFloatTest, DifferentAlphasMixColoursByAlphaShare)
{
    // k = 0.5, s = 1 / (0.5 / 0.25 + 1) = 1 / 3; alpha 0.5 * 0.5 + 0.5.
    PF_PixelFloat p{1, 1, 0, 0};
    BlendTowardFloat(p, {0.5f, 0, 1, 0}, 0.5f);
    ExpectPixel(p, 0.75f, 2.0f / 3, 1.0f / 3, 0);
}

TEST(BlendTowardFloatTest, TransparentPixelTakesTheTargetColour)
{
    PF_PixelFloat p{0, 0.9f, 0.9f, 0.9f};
    BlendTowardFloat(p, {1, 0.2f, 0.4f, 0.6f}, 0.5f);
    ExpectPixel(p, 0.5f, 0.2f, 0.4f, 0.6f);
}

TEST(BlendTowardFloatTest, ZeroWeightOnTransparentPixelGivesNoNaN)
{
    PF_PixelFloat p{0, 0.9f, 0.9f, 0.9f};
    BlendTowardFloat(p, {1, 0.2f, 0.4f, 0.6f}, 0);
    ExpectPixel(p, 0, 0.2f, 0.4f, 0.6f);
}

}  // namespace
