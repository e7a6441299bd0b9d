#include "PixelPicker.h"

#include <cstdio>
#include <utility>

#include "Errors.h"

namespace {

A_u_char Reduce(A_u_char v) { return v; }
A_u_char Reduce(A_u_short v) { return static_cast<A_u_char>((v * 255 + 16384) >> 15); }
A_u_char Reduce(PF_FpShort v)
{
    const double scaled = static_cast<double>(v) * 255.0 + 0.5;
    if (!(scaled > -2147483649.0 && scaled < 2147483648.0)) return 0;
    return static_cast<A_u_char>(static_cast<A_long>(scaled));
}

template <class Pixel>
PF_Pixel KeyColourOf(const Pixel &p)
{
    return {255, Reduce(p.red), Reduce(p.green), Reduce(p.blue)};
}

// Calls f with the pixel at (x, y) in the world's own type.
template <class F>
auto WithPixel(const fxhost::World &world, long x, long y, F &&f)
{
    const A_long px = static_cast<A_long>(x), py = static_cast<A_long>(y);
    if (world.format() == PF_PixelFormat_ARGB32) return f(world.at<PF_Pixel8>(px, py));
    if (world.format() == PF_PixelFormat_ARGB64) return f(world.at<PF_Pixel16>(px, py));
    return f(world.at<PF_PixelFloat>(px, py));
}

}  // namespace

PixelPicker::PixelPicker(std::string path, PF_PixelFormat renderFormat) : path_(std::move(path)), format_(renderFormat) {}

fxhost::World &PixelPicker::world()
{
    if (!world_) world_ = ReadImage(path_, format_).world;
    return *world_;
}

void PixelPicker::checkInside(long x, long y)
{
    const fxhost::World &image = world();
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height())
        throw UsageError("the pixel " + std::to_string(x) + "," + std::to_string(y) + " lies outside " + path_ + " (" +
                         std::to_string(image.width()) + "x" + std::to_string(image.height()) +
                         ", from 0,0 at the top left)");
}

PF_Pixel PixelPicker::keyColour(long x, long y)
{
    checkInside(x, y);
    return WithPixel(world(), x, y, [](const auto &p) { return KeyColourOf(p); });
}

bool PixelPicker::transparent(long x, long y)
{
    checkInside(x, y);
    return WithPixel(world(), x, y, [](const auto &p) { return p.alpha == 0; });
}

std::string PixelPicker::workingValues(long x, long y)
{
    checkInside(x, y);
    char text[200];
    const fxhost::World &image = world();
    if (image.format() == PF_PixelFormat_ARGB32) {
        // 8-bit frames are worked on as 16-bit copies.
        const PF_Pixel8 &p = image.at<PF_Pixel8>(static_cast<A_long>(x), static_cast<A_long>(y));
        auto to16 = [](A_u_char v) { return (v * 32768 + 128) / 255; };
        std::snprintf(text, sizeof text, "alpha %d, red %d, green %d, blue %d (16-bit, 32768 is full)", to16(p.alpha),
                      to16(p.red), to16(p.green), to16(p.blue));
    } else if (image.format() == PF_PixelFormat_ARGB64) {
        const PF_Pixel16 &p = image.at<PF_Pixel16>(static_cast<A_long>(x), static_cast<A_long>(y));
        std::snprintf(text, sizeof text, "alpha %d, red %d, green %d, blue %d (16-bit, 32768 is full)", p.alpha, p.red,
                      p.green, p.blue);
    } else {
        const PF_PixelFloat &p = image.at<PF_PixelFloat>(static_cast<A_long>(x), static_cast<A_long>(y));
        std::snprintf(text, sizeof text, "alpha %.9g, red %.9g, green %.9g, blue %.9g (float, 1.0 is full)", p.alpha,
                      p.red, p.green, p.blue);
    }
    return text;
}

PixelSource PixelPicker::source()
{
    return [this](long x, long y) { return keyColour(x, y); };
}
