// Whole frames through the module for the end-to-end tests: a small
// cel-style picture at every depth and a fixture that renders it.
#pragma once

#include <cstring>

#include "AE_EffectCBSuites.h"
#include "ModuleFixture.h"
#include "Pixels.h"

namespace cel {

constexpr PF_Pixel kKey = {255, 3, 180, 245};
constexpr PF_Pixel kLine = {255, 30, 20, 30};
constexpr PF_Pixel kFill = {255, 230, 200, 170};

// A cel-style picture at 8 bits: flat fills, a region of the default key
// colour with a slight ramp inside it (so a blur changes it), dark lines and
// a transparent corner.
inline void DrawCel(fxhost::World &world8)
{
    for (A_long y = 0; y < world8.height(); ++y) {
        for (A_long x = 0; x < world8.width(); ++x) {
            PF_Pixel p = kFill;
            if (x >= 4 && x < 20 && y >= 3 && y < 15) p = {255, 3, static_cast<A_u_char>(170 + (x % 5) * 4), 245};
            if (x == 22 || y == 17) p = kLine;
            if (x < 3 && y < 3) p = {0, 10, 20, 30};
            world8.at<PF_Pixel8>(x, y) = p;
        }
    }
}

// An 8-bit picture at the depth of `format`, converted exactly.
inline fxhost::World AtDepth(const fxhost::World &eight, PF_PixelFormat format)
{
    return testpixels::Draw(eight.width(), eight.height(), format,
                            [&eight](A_long x, A_long y) { return eight.at<PF_Pixel8>(x, y); });
}

// The cel picture at the depth of `format`.
inline fxhost::World MakeInput(PF_PixelFormat format, A_long width = 28, A_long height = 20)
{
    fxhost::World eight(width, height, PF_PixelFormat_ARGB32);
    DrawCel(eight);
    return AtDepth(eight, format);
}

inline double Alpha(const fxhost::World &world, A_long x, A_long y)
{
    switch (world.format()) {
        case PF_PixelFormat_ARGB32: return world.at<PF_Pixel8>(x, y).alpha;
        case PF_PixelFormat_ARGB64: return world.at<PF_Pixel16>(x, y).alpha;
        default: return world.at<PF_PixelFloat>(x, y).alpha;
    }
}

inline bool FullyTransparent(const fxhost::World &world)
{
    for (A_long y = 0; y < world.height(); ++y)
        for (A_long x = 0; x < world.width(); ++x)
            if (Alpha(world, x, y) != 0) return false;
    return true;
}

inline fxhost::World Copy(const fxhost::World &source)
{
    fxhost::World copy(source.width(), source.height(), source.format());
    for (A_long y = 0; y < source.height(); ++y)
        std::memcpy(copy.row<uint8_t>(y), source.row<uint8_t>(y), source.width() * source.bytesPerPixel());
    return copy;
}

}  // namespace cel

// An applied effect that renders copies of a picture.
class RenderTest : public ModuleTest {
protected:
    void SetUp() override
    {
        ModuleTest::SetUp();
        effect->apply();
        applied = host.accounting();
    }

    // The frame's result and output.
    PF_Err TryRender(const fxhost::World &source, fxhost::World *output, const fxhost::RenderOptions &options = {})
    {
        fxhost::World input = cel::Copy(source);
        *output = fxhost::World(input.width(), input.height(), input.format());
        return effect->render(input, *output, options).err;
    }

    fxhost::World Render(const fxhost::World &source, const fxhost::RenderOptions &options = {})
    {
        fxhost::World input = cel::Copy(source);
        fxhost::World output(input.width(), input.height(), input.format());
        fxhost::CommandResult result = effect->render(input, output, options);
        EXPECT_EQ(result.err, PF_Err_NONE) << result.message();
        return output;
    }

    long SmoothingRuns() const { return host.acquisitions(kPFWorldSuite, kPFWorldSuiteVersion1); }

    fxhost::Accounting applied;
};
