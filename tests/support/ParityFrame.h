// One frame and one set of controls that every build of the effect renders,
// and a checksum of the result: the native end-to-end tests write the
// checksums, the Windows tests render the same and compare.
#pragma once

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "Pixels.h"
#include "fxhost/Effect.h"

namespace parity {

constexpr PF_PixelFormat kFormats[] = {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128};

inline int BitDepth(PF_PixelFormat format) { return 8 * fxhost::BytesPerPixel(format) / 4; }

// A cel-style picture: flat fills, a region of the default key colour with a
// ramp and a stair-stepped diagonal edge, a second key colour beside it, dark
// outlines and a transparent corner.
inline PF_Pixel CelPixel(A_long x, A_long y)
{
    if (x < 4 && y < 4) return {0, 10, 20, 30};
    if (x == 40 || y == 44 || x + y == 70) return {255, 30, 20, 30};
    if (x >= 6 && x < 38 && y >= 5 && y < 40 && x < 2 * y)
        return {255, 3, static_cast<A_u_char>(160 + (x + y) % 7 * 6), 245};
    if (x > 40 && x < 74 && y >= 8 && y < 36 && (x + y / 3) % 9 != 0) return {255, 240, 150, 40};
    return {255, 230, 200, 170};
}

// The picture at the depth of `format`.
inline fxhost::World Input(PF_PixelFormat format, A_long width = 80, A_long height = 56)
{
    return testpixels::Draw(width, height, format, CelPixel);
}

// Controls that take the frame through keying, edge smoothing and the region
// blur of two key colours, and the first process group.
inline void SetControls(fxhost::Effect &effect)
{
    effect.setValue("Blur Amount", 7.5);
    effect.setValue("Blur Repeat Num", 3);
    effect.setValue("Keep Division", 0);
    effect.setValue("Color 1 Range", 12);
    effect.setValue("Enable 2", 1);
    effect.setColour("Color 2", {255, 240, 150, 40});
    effect.setValue("Color 2 Range", 5);
    effect.setValue("1 : Enable Process", 1);
    effect.setColour("1 : Color", {255, 30, 20, 30});
    effect.setValue("1 : Boundary Blur", 4);
    effect.setValue("1 : Boundary Bias", 20);
}

// The frame rendered at the depth of `format` with the smart-render commands.
inline fxhost::World Render(fxhost::Effect &effect, PF_PixelFormat format, fxhost::CommandResult &result)
{
    fxhost::World input = Input(format);
    fxhost::World output(input.width(), input.height(), format);
    result = effect.render(input, output);
    return output;
}

// FNV-1a over the bytes of every pixel, row by row (row padding excluded).
inline uint64_t Checksum(const fxhost::World &world)
{
    uint64_t hash = 0xcbf29ce484222325ull;
    const size_t rowBytes = static_cast<size_t>(world.width()) * static_cast<size_t>(world.bytesPerPixel());
    for (A_long y = 0; y < world.height(); ++y) {
        const uint8_t *row = world.row<uint8_t>(y);
        for (size_t i = 0; i < rowBytes; ++i) hash = (hash ^ row[i]) * 0x100000001b3ull;
    }
    return hash;
}

// The checksums file: one line per bit depth, "8 0123456789abcdef".
inline std::string FormatLine(int depth, uint64_t checksum)
{
    char line[40];
    std::snprintf(line, sizeof line, "%d %016llx\n", depth, static_cast<unsigned long long>(checksum));
    return line;
}

// Bit depth to checksum; empty when the file cannot be read.
inline std::map<int, uint64_t> ReadChecksums(const std::string &path)
{
    std::map<int, uint64_t> checksums;
    std::ifstream in(path);
    int depth = 0;
    std::string hex;
    while (in >> depth >> hex) checksums[depth] = std::stoull(hex, nullptr, 16);
    return checksums;
}

}  // namespace parity
