#include "ImageFile.h"

#include <OpenImageIO/imageio.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace {

using OIIO::ImageInput;
using OIIO::ImageOutput;
using OIIO::ImageSpec;
using OIIO::TypeDesc;

// Samples of one pixel in the file's order (R, G, B, A) as the file's depth
// holds them: 0..255, 0..65535, or float.
struct Sample {
    double r, g, b, a;
};

constexpr long kFull16 = 32768;

long ToWorld16FromFile16(long p) { return (p * kFull16 + 32767) / 65535; }
long ToFile16FromWorld16(long v) { return (v * 65535 + 16384) / kFull16; }
long ToWorld16From8(long v) { return (v * kFull16 + 128) / 255; }
long To8FromWorld16(long v) { return (v * 255 + 16384) >> 15; }

template <class T>
T Clamp(double v, double low, double high)
{
    if (!(v >= low)) return static_cast<T>(low);
    return static_cast<T>(std::min(v, high));
}

std::string Extension(const std::string &path)
{
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

// Stores one file sample set into the world at (x, y).
void StorePixel(fxhost::World &world, A_long x, A_long y, FileDepth from, Sample s)
{
    switch (world.format()) {
    case PF_PixelFormat_ARGB32: {
        auto c = [from](double v) -> A_u_char {
            if (from == FileDepth::Eight) return static_cast<A_u_char>(v);
            if (from == FileDepth::Sixteen) return static_cast<A_u_char>(To8FromWorld16(ToWorld16FromFile16(static_cast<long>(v))));
            return Clamp<A_u_char>(std::lround(v * 255.0), 0, 255);
        };
        world.at<PF_Pixel8>(x, y) = {c(s.a), c(s.r), c(s.g), c(s.b)};
        break;
    }
    case PF_PixelFormat_ARGB64: {
        auto c = [from](double v) -> A_u_short {
            if (from == FileDepth::Eight) return static_cast<A_u_short>(ToWorld16From8(static_cast<long>(v)));
            if (from == FileDepth::Sixteen) return static_cast<A_u_short>(ToWorld16FromFile16(static_cast<long>(v)));
            return Clamp<A_u_short>(std::lround(v * kFull16), 0, kFull16);
        };
        world.at<PF_Pixel16>(x, y) = {c(s.a), c(s.r), c(s.g), c(s.b)};
        break;
    }
    default: {
        auto c = [from](double v) -> float {
            if (from == FileDepth::Eight) return static_cast<float>(v / 255.0);
            if (from == FileDepth::Sixteen) return static_cast<float>(v / 65535.0);
            return static_cast<float>(v);
        };
        world.at<PF_PixelFloat>(x, y) = {c(s.a), c(s.r), c(s.g), c(s.b)};
        break;
    }
    }
}

FileDepth DepthOf(TypeDesc format)
{
    if (format == TypeDesc::UINT8) return FileDepth::Eight;
    if (format == TypeDesc::UINT16) return FileDepth::Sixteen;
    return FileDepth::Float;
}

TypeDesc TypeOf(FileDepth depth)
{
    switch (depth) {
    case FileDepth::Eight: return TypeDesc::UINT8;
    case FileDepth::Sixteen: return TypeDesc::UINT16;
    default: return TypeDesc::FLOAT;
    }
}

// The depth asked for, within what the format can store.
FileDepth OutputDepth(const std::string &ext, FileDepth wanted)
{
    if (ext == "exr" || ext == "hdr") return FileDepth::Float;
    if (ext == "jpg" || ext == "jpeg" || ext == "bmp" || ext == "tga") return FileDepth::Eight;
    if (ext == "png" && wanted == FileDepth::Float) return FileDepth::Sixteen;
    return wanted;
}

Sample LoadPixel(const fxhost::World &world, A_long x, A_long y, FileDepth to)
{
    switch (world.format()) {
    case PF_PixelFormat_ARGB32: {
        const PF_Pixel8 &p = world.at<PF_Pixel8>(x, y);
        auto c = [to](A_u_char v) -> double {
            if (to == FileDepth::Eight) return v;
            if (to == FileDepth::Sixteen) return v * 257.0;
            return v / 255.0;
        };
        return {c(p.red), c(p.green), c(p.blue), c(p.alpha)};
    }
    case PF_PixelFormat_ARGB64: {
        const PF_Pixel16 &p = world.at<PF_Pixel16>(x, y);
        auto c = [to](A_u_short v) -> double {
            if (to == FileDepth::Eight) return static_cast<double>(To8FromWorld16(v));
            if (to == FileDepth::Sixteen) return static_cast<double>(ToFile16FromWorld16(v));
            return v / static_cast<double>(kFull16);
        };
        return {c(p.red), c(p.green), c(p.blue), c(p.alpha)};
    }
    default: {
        const PF_PixelFloat &p = world.at<PF_PixelFloat>(x, y);
        auto c = [to](float v) -> double {
            if (to == FileDepth::Eight) return Clamp<double>(std::lround(v * 255.0), 0, 255);
            if (to == FileDepth::Sixteen) return Clamp<double>(std::lround(v * 65535.0), 0, 65535);
            return v;
        };
        return {c(p.red), c(p.green), c(p.blue), c(p.alpha)};
    }
    }
}

}  // namespace

PF_PixelFormat WorldFormatFor(FileDepth depth)
{
    switch (depth) {
    case FileDepth::Eight: return PF_PixelFormat_ARGB32;
    case FileDepth::Sixteen: return PF_PixelFormat_ARGB64;
    default: return PF_PixelFormat_ARGB128;
    }
}

LoadedImage ReadImage(const std::string &path, PF_PixelFormat renderFormat)
{
    ImageSpec hints;
    hints.attribute("oiio:UnassociatedAlpha", 1);
    auto in = ImageInput::open(path, &hints);
    if (!in) throw std::runtime_error("cannot read " + path + ": " + OIIO::geterror());
    const ImageSpec &spec = in->spec();
    if (spec.width <= 0 || spec.height <= 0 || spec.nchannels < 1)
        throw std::runtime_error("cannot read " + path + ": no pixels");
    const FileDepth depth = DepthOf(spec.format);
    const int channels = spec.nchannels;
    std::vector<double> samples(static_cast<size_t>(spec.width) * spec.height * channels);
    if (!in->read_image(0, 0, 0, channels, TypeDesc::DOUBLE, samples.data()))
        throw std::runtime_error("cannot read " + path + ": " + in->geterror());
    in->close();

    // read_image hands integer files over as 0..1; scale back to the stored
    // integers so that the conversions below are exact.
    const double scale = depth == FileDepth::Eight ? 255.0 : depth == FileDepth::Sixteen ? 65535.0 : 1.0;
    const double opaque = depth == FileDepth::Float ? 1.0 : scale;
    const int alpha = spec.alpha_channel >= 0 ? spec.alpha_channel : (channels == 2 || channels >= 4 ? channels - 1 : -1);

    LoadedImage image;
    image.fileDepth = depth;
    image.world = std::make_unique<fxhost::World>(spec.width, spec.height, renderFormat ? renderFormat : WorldFormatFor(depth));
    for (A_long y = 0; y < spec.height; ++y) {
        for (A_long x = 0; x < spec.width; ++x) {
            const double *p = &samples[(static_cast<size_t>(y) * spec.width + x) * channels];
            auto v = [&](int c) { return depth == FileDepth::Float ? p[c] : std::round(p[c] * scale); };
            Sample s;
            if (channels >= 3) {
                s = {v(0), v(1), v(2), opaque};
            } else {
                s = {v(0), v(0), v(0), opaque};
            }
            if (alpha >= 0) s.a = v(alpha);
            StorePixel(*image.world, x, y, depth, s);
        }
    }
    return image;
}

void WriteImage(const std::string &path, const fxhost::World &world, FileDepth wanted)
{
    const std::string ext = Extension(path);
    auto out = ImageOutput::create(path);
    if (!out) throw std::runtime_error("cannot write " + path + ": " + OIIO::geterror());
    const FileDepth depth = OutputDepth(ext, wanted);
    const int channels = out->supports("alpha") ? 4 : 3;
    ImageSpec spec(world.width(), world.height(), channels, TypeOf(depth));
    if (channels == 4) spec.alpha_channel = 3;
    spec.attribute("oiio:UnassociatedAlpha", 1);

    std::vector<double> samples(static_cast<size_t>(world.width()) * world.height() * channels);
    const double scale = depth == FileDepth::Eight ? 255.0 : depth == FileDepth::Sixteen ? 65535.0 : 1.0;
    for (A_long y = 0; y < world.height(); ++y) {
        for (A_long x = 0; x < world.width(); ++x) {
            const Sample s = LoadPixel(world, x, y, depth);
            double *p = &samples[(static_cast<size_t>(y) * world.width() + x) * channels];
            p[0] = s.r / scale;
            p[1] = s.g / scale;
            p[2] = s.b / scale;
            if (channels == 4) p[3] = s.a / scale;
        }
    }

    // Written beside the target under a temporary name, then renamed over it.
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string temporary = folder + ".sallow-" + std::to_string(getpid()) + "-" + name;
    bool written = out->open(temporary, spec) && out->write_image(TypeDesc::DOUBLE, samples.data());
    written = out->close() && written;
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string reason = out->geterror();
        std::remove(temporary.c_str());
        throw std::runtime_error("cannot write " + path + (reason.empty() ? "" : ": " + reason));
    }
}
