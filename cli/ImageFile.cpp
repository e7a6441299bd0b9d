#include "ImageFile.h"

#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imagebufalgo.h>
#include <OpenImageIO/imageio.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "Errors.h"
#include "Interruption.h"
#include "OutputFile.h"

namespace {

using OIIO::ImageBuf;
using OIIO::ImageInput;
using OIIO::ImageOutput;
using OIIO::ImageSpec;
using OIIO::TypeDesc;

constexpr long kFull16 = 32768;

// ---------------------------------------------------------------- sample conversions
// A file's 8-bit, 16-bit or float samples to and from the world's 8-bit,
// 16-bit (0..32768) or float pixels. Floats outside 0..1 clip; NaN is 0.

long ToWorld16FromFile16(long p) { return (p * kFull16 + 32767) / 65535; }
long To8FromWorld16(long v) { return (v * 255 + 16384) >> 15; }

template <long Full>
long Clip(float v)
{
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return Full;
    return std::lround(static_cast<double>(v) * Full);
}

A_u_char To8(uint8_t v) { return v; }
A_u_char To8(uint16_t v) { return static_cast<A_u_char>(To8FromWorld16(ToWorld16FromFile16(v))); }
A_u_char To8(float v) { return static_cast<A_u_char>(Clip<255>(v)); }
A_u_short To16(uint8_t v) { return static_cast<A_u_short>((v * kFull16 + 128) / 255); }
A_u_short To16(uint16_t v) { return static_cast<A_u_short>(ToWorld16FromFile16(v)); }
A_u_short To16(float v) { return static_cast<A_u_short>(Clip<kFull16>(v)); }
float ToFloat(uint8_t v) { return static_cast<float>(v / 255.0); }
float ToFloat(uint16_t v) { return static_cast<float>(v / 65535.0); }
float ToFloat(float v) { return v; }

template <class T> T FromWorld(A_u_char v);
template <> uint8_t FromWorld<uint8_t>(A_u_char v) { return v; }
template <> uint16_t FromWorld<uint16_t>(A_u_char v) { return static_cast<uint16_t>(v * 257); }
template <> float FromWorld<float>(A_u_char v) { return static_cast<float>(v / 255.0); }
template <class T> T FromWorld(A_u_short v);
template <> uint8_t FromWorld<uint8_t>(A_u_short v) { return static_cast<uint8_t>(To8FromWorld16(v)); }
template <> uint16_t FromWorld<uint16_t>(A_u_short v) { return static_cast<uint16_t>((v * 65535L + 16384) / kFull16); }
template <> float FromWorld<float>(A_u_short v) { return static_cast<float>(v / static_cast<double>(kFull16)); }
template <class T> T FromWorld(float v);
template <> uint8_t FromWorld<uint8_t>(float v) { return static_cast<uint8_t>(Clip<255>(v)); }
template <> uint16_t FromWorld<uint16_t>(float v) { return static_cast<uint16_t>(Clip<65535>(v)); }
template <> float FromWorld<float>(float v) { return v; }

template <class Pixel> struct WorldPixel;
template <> struct WorldPixel<PF_Pixel8> {
    template <class T> static A_u_char From(T v) { return To8(v); }
    static constexpr A_u_char kOpaque = 255;
};
template <> struct WorldPixel<PF_Pixel16> {
    template <class T> static A_u_short From(T v) { return To16(v); }
    static constexpr A_u_short kOpaque = kFull16;
};
template <> struct WorldPixel<PF_PixelFloat> {
    template <class T> static float From(T v) { return ToFloat(v); }
    static constexpr float kOpaque = 1.0f;
};

// ---------------------------------------------------------------- buffers and worlds

FileDepth DepthOf(TypeDesc format)
{
    if (format == TypeDesc::UINT8) return FileDepth::Eight;
    if (format == TypeDesc::UINT16) return FileDepth::Sixteen;
    return FileDepth::Float;
}

TypeDesc BufferType(FileDepth depth)
{
    switch (depth) {
    case FileDepth::Eight: return TypeDesc::UINT8;
    case FileDepth::Sixteen: return TypeDesc::UINT16;
    default: return TypeDesc::FLOAT;
    }
}

// Calls f with a null pointer of the buffer's sample type.
template <class F>
void WithSampleType(const ImageBuf &buffer, F &&f)
{
    const TypeDesc type = buffer.spec().format;
    if (type == TypeDesc::UINT8)
        f(static_cast<uint8_t *>(nullptr));
    else if (type == TypeDesc::UINT16)
        f(static_cast<uint16_t *>(nullptr));
    else
        f(static_cast<float *>(nullptr));
}

// Calls f with a null pointer of the world's pixel type.
template <class F>
void WithPixelType(PF_PixelFormat format, F &&f)
{
    if (format == PF_PixelFormat_ARGB32)
        f(static_cast<PF_Pixel8 *>(nullptr));
    else if (format == PF_PixelFormat_ARGB64)
        f(static_cast<PF_Pixel16 *>(nullptr));
    else
        f(static_cast<PF_PixelFloat *>(nullptr));
}

template <class T>
const T *BufferRow(const ImageBuf &buffer, int y)
{
    const ImageSpec &spec = buffer.spec();
    return static_cast<const T *>(buffer.localpixels()) + static_cast<size_t>(y) * spec.width * spec.nchannels;
}

template <class T>
T *BufferRow(ImageBuf &buffer, int y)
{
    const ImageSpec &spec = buffer.spec();
    return static_cast<T *>(buffer.localpixels()) + static_cast<size_t>(y) * spec.width * spec.nchannels;
}

template <class T, class Pixel>
void FillWorld(const ImageBuf &buffer, const ChannelMap &map, fxhost::World &world)
{
    const int channels = buffer.spec().nchannels;
    for (A_long y = 0; y < world.height(); ++y) {
        const T *in = BufferRow<T>(buffer, y);
        Pixel *out = world.row<Pixel>(y);
        for (A_long x = 0; x < world.width(); ++x, in += channels) {
            out[x].red = WorldPixel<Pixel>::From(in[map.red]);
            out[x].green = WorldPixel<Pixel>::From(in[map.green]);
            out[x].blue = WorldPixel<Pixel>::From(in[map.blue]);
            out[x].alpha = map.alpha >= 0 ? WorldPixel<Pixel>::From(in[map.alpha]) : WorldPixel<Pixel>::kOpaque;
        }
    }
}

// The channel's name without the layer names before it, in upper case.
std::string BaseName(const std::string &name)
{
    std::string base = name.substr(name.rfind('.') == std::string::npos ? 0 : name.rfind('.') + 1);
    std::transform(base.begin(), base.end(), base.begin(), [](unsigned char c) { return std::toupper(c); });
    return base;
}

ChannelMap MapChannels(const ImageSpec &spec)
{
    ChannelMap map;
    int grey = -1;
    for (int c = 0; c < spec.nchannels; ++c) {
        const std::string name = BaseName(spec.channel_name(c));
        int *slot = name == "R" ? &map.red : name == "G" ? &map.green : name == "B" ? &map.blue
                  : name == "A" ? &map.alpha : name == "Y" ? &grey : nullptr;
        if (slot != nullptr && *slot < 0) *slot = c;
    }
    if (map.red >= 0 && map.green >= 0 && map.blue >= 0) return map;
    if (grey < 0) grey = map.red >= 0 ? map.red : 0;
    map.red = map.green = map.blue = grey;
    return map;
}

// The image library's progress callback: a signal stops a long write.
bool StopOnSignal(void *, float) { return Interruption::signal() != 0; }

// One image of a file as samples of `type`, read a band of rows at a time so
// that a signal stops a long read.
ImageBuf ReadPixels(const std::string &path, int image, TypeDesc type)
{
    constexpr int kBand = 64;
    ImageSpec hints;
    hints.attribute("oiio:UnassociatedAlpha", 1);
    auto in = ImageInput::open(path, &hints);
    auto failed = [&](const std::string &reason) {
        return std::runtime_error("cannot read " + path + ": " + (reason.empty() ? "damaged image data" : reason));
    };
    if (!in || !in->seek_subimage(image, 0)) throw failed(in ? in->geterror() : OIIO::geterror());
    ImageSpec spec = in->spec();
    spec.format = type;
    spec.channelformats.clear();
    ImageBuf pixels(spec);
    const size_t rowSamples = static_cast<size_t>(spec.width) * spec.nchannels;
    // Tiled files are read whole.
    const int band = spec.tile_width > 0 ? spec.height : kBand;
    for (int top = 0; top < spec.height; top += band) {
        Interruption::check();
        const int bottom = std::min(top + band, spec.height);
        void *rows = static_cast<char *>(pixels.localpixels()) + top * rowSamples * type.size();
        const bool ok = spec.tile_width > 0
                            ? in->read_image(image, 0, 0, spec.nchannels, type, rows)
                            : in->read_scanlines(image, 0, spec.y + top, spec.y + bottom, 0, 0, spec.nchannels, type, rows);
        if (!ok) throw failed(in->geterror());
    }
    return pixels;
}

// ---------------------------------------------------------------- memory

// What rendering one frame holds per pixel: the file's samples in and out,
// the input and output worlds, and the effect's working set (ten 16-bit or
// eight float worlds and nine byte masks).
double BytesPerPixel(const ImageSpec &spec, PF_PixelFormat renderFormat)
{
    const double world = fxhost::BytesPerPixel(renderFormat);
    const double working = renderFormat == PF_PixelFormat_ARGB128 ? 8 * 16 : 10 * 8;
    return 2.0 * spec.nchannels * BufferType(DepthOf(spec.format)).size() + 2 * world + working + 9;
}

std::string Gigabytes(double bytes)
{
    std::ostringstream text;
    text.precision(1);
    text << std::fixed << bytes / 1e9 << " GB";
    return text.str();
}

// ---------------------------------------------------------------- output formats

struct FormatTraits {
    bool alpha, extraChannels, severalImages, channelFormats;
};

FormatTraits TraitsOf(ImageOutput &out)
{
    return {out.supports("alpha") != 0, out.supports("nchannels") != 0, out.supports("multiimage") != 0,
            out.supports("channelformats") != 0};
}

// The sample type an output format stores for frames of this depth.
TypeDesc OutputType(const std::string &format, TypeDesc source)
{
    const FileDepth depth = DepthOf(source);
    if (format == "openexr" || format == "hdr")
        return source == TypeDesc::HALF ? TypeDesc::HALF : TypeDesc::FLOAT;
    if (format == "jpeg" || format == "bmp" || format == "targa" || format == "gif" || format == "webp" ||
        format == "jpeg2000")
        return TypeDesc::UINT8;
    if (depth == FileDepth::Float && (format == "png" || format == "pnm" || format == "dpx" || format == "iff"))
        return TypeDesc::UINT16;
    if (depth == FileDepth::Float) return source == TypeDesc::HALF ? TypeDesc::HALF : TypeDesc::FLOAT;
    return BufferType(depth);
}

std::unique_ptr<ImageOutput> CreateWriter(const std::string &path)
{
    auto out = ImageOutput::create(path);
    OIIO::geterror();
    if (!out) {
        const size_t dot = path.rfind('.');
        const std::string ext = dot == std::string::npos || path.find('/', dot) != std::string::npos ? "" : path.substr(dot);
        throw UsageError("cannot write " + path + ": " + (ext.empty() ? "no extension" : "\"" + ext + "\"") +
                         " names no image format sallow writes (png, jpg, tif, exr, bmp, tga, dpx, hdr, ppm, webp, ...)");
    }
    return out;
}

// An anonymous file in memory that the image library writes by name.
class MemoryFile {
public:
    MemoryFile() : fd_(memfd_create("sallow-output", MFD_CLOEXEC))
    {
        if (fd_ < 0) throw std::runtime_error(std::string("cannot make a file in memory: ") + std::strerror(errno));
    }
    ~MemoryFile() { close(fd_); }
    MemoryFile(const MemoryFile &) = delete;
    MemoryFile &operator=(const MemoryFile &) = delete;

    std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }
    std::vector<unsigned char> bytes() const
    {
        struct stat info {};
        if (fstat(fd_, &info) != 0) throw std::runtime_error(std::string("cannot read back the image: ") + std::strerror(errno));
        std::vector<unsigned char> bytes(static_cast<size_t>(info.st_size));
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t got = pread(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
            if (got <= 0) throw std::runtime_error(std::string("cannot read back the image: ") + std::strerror(errno));
            done += static_cast<size_t>(got);
        }
        return bytes;
    }

    // Why the file does not read back as `images` whole images; empty when it does.
    std::string unreadable(int images) const
    {
        auto in = ImageInput::open(path());
        if (!in) return OIIO::geterror();
        for (int image = 0; image < images; ++image) {
            std::vector<float> pixels;
            if (!in->seek_subimage(image, 0)) return in->geterror();
            pixels.resize(static_cast<size_t>(in->spec().image_pixels()) * in->spec().nchannels);
            if (!in->read_image(image, 0, 0, in->spec().nchannels, TypeDesc::FLOAT, pixels.data())) return in->geterror();
        }
        return "";
    }

private:
    int fd_;
};

template <class T, class Pixel>
void StoreWorld(const fxhost::World &world, const std::vector<int> &slots, ImageBuf &buffer)
{
    const int channels = buffer.spec().nchannels;
    for (A_long y = 0; y < world.height(); ++y) {
        const Pixel *in = world.row<Pixel>(y);
        T *out = BufferRow<T>(buffer, y);
        for (A_long x = 0; x < world.width(); ++x, out += channels) {
            const decltype(in[x].red) values[] = {in[x].red, in[x].green, in[x].blue, in[x].alpha};
            for (int i = 0; i < 4; ++i)
                if (slots[static_cast<size_t>(i)] >= 0) out[slots[static_cast<size_t>(i)]] = FromWorld<T>(values[i]);
        }
    }
}

template <class Pixel>
bool AllOpaque(const fxhost::World &world)
{
    for (A_long y = 0; y < world.height(); ++y)
        for (A_long x = 0; x < world.width(); ++x)
            if (world.at<Pixel>(x, y).alpha != WorldPixel<Pixel>::kOpaque) return false;
    return true;
}

template <class Pixel>
bool AllGrey(const fxhost::World &world)
{
    for (A_long y = 0; y < world.height(); ++y)
        for (A_long x = 0; x < world.width(); ++x) {
            const Pixel &p = world.at<Pixel>(x, y);
            if (p.red != p.green || p.green != p.blue) return false;
        }
    return true;
}

}  // namespace

double AvailableMemory()
{
    std::ifstream meminfo("/proc/meminfo");
    double available = -1, swap = 0;
    std::string key;
    double kilobytes;
    std::string unit;
    while (meminfo >> key >> kilobytes >> unit) {
        if (key == "MemAvailable:") available = kilobytes * 1024;
        if (key == "SwapFree:") swap = kilobytes * 1024;
    }
    if (available < 0) available = static_cast<double>(sysconf(_SC_PHYS_PAGES)) * sysconf(_SC_PAGESIZE);
    return available + swap;
}

double RenderMemory(const ImageSpec &spec, PF_PixelFormat renderFormat)
{
    if (renderFormat == 0) renderFormat = WorldFormatFor(DepthOf(spec.format));
    return static_cast<double>(spec.width) * spec.height * BytesPerPixel(spec, renderFormat);
}

PF_PixelFormat RenderFormatFor(int bits)
{
    if (bits == 0) return 0;
    return WorldFormatFor(bits == 8 ? FileDepth::Eight : bits == 16 ? FileDepth::Sixteen : FileDepth::Float);
}

PF_PixelFormat WorldFormatFor(FileDepth depth)
{
    switch (depth) {
    case FileDepth::Eight: return PF_PixelFormat_ARGB32;
    case FileDepth::Sixteen: return PF_PixelFormat_ARGB64;
    default: return PF_PixelFormat_ARGB128;
    }
}

// ---------------------------------------------------------------- InputFile

InputFile::InputFile(const std::string &path) : path_(path)
{
    OIIO::attribute("limits:imagesize_MB", static_cast<int>(std::min(AvailableMemory() / (1 << 20), 1e9)));
    if (!OIIO::Filesystem::exists(path)) throw std::runtime_error("cannot read " + path + ": no such file");
    if (OIIO::Filesystem::is_directory(path)) throw std::runtime_error("cannot read " + path + ": it is a folder");
    ImageSpec hints;
    hints.attribute("oiio:UnassociatedAlpha", 1);
    auto in = ImageInput::open(path, &hints);
    if (!in) {
        std::string reason = OIIO::geterror();
        throw std::runtime_error("cannot read " + path + ": " + (reason.empty() ? "not an image sallow reads" : reason));
    }
    formatName_ = in->format_name();
    for (int image = 0; in->seek_subimage(image, 0); ++image) {
        ImageSpec spec = in->spec();
        if (spec.width <= 0 || spec.height <= 0 || spec.nchannels < 1 || spec.depth > 1)
            throw std::runtime_error("cannot read " + path + ": not a flat image with pixels");
        if (spec.width > kLargestSide || spec.height > kLargestSide)
            throw std::runtime_error(path + " is " + std::to_string(spec.width) + "x" + std::to_string(spec.height) +
                                     " pixels; the effect renders frames of at most " + std::to_string(kLargestSide) +
                                     " pixels a side");
        specs_.push_back(spec);
    }
    in->geterror();
}

Frame InputFile::read(int image, PF_PixelFormat renderFormat, int downsample) const
{
    const ImageSpec &spec = this->spec(image);
    const FileDepth depth = DepthOf(spec.format);
    if (renderFormat == 0) renderFormat = WorldFormatFor(depth);
    const double needed = RenderMemory(spec, renderFormat);
    const double available = AvailableMemory();
    if (needed > available)
        throw std::runtime_error(path_ + " is " + std::to_string(spec.width) + "x" + std::to_string(spec.height) +
                                 " pixels; rendering it needs about " + Gigabytes(needed) + " of memory, and " +
                                 Gigabytes(available) + " is free");

    Frame frame;
    frame.depth = depth;
    frame.channels = MapChannels(spec);
    ImageBuf file = ReadPixels(path_, image, BufferType(depth));
    if (downsample > 1) {
        ImageSpec small = file.spec();
        auto scaled = [downsample](int v) { return std::max(1, (v + downsample - 1) / downsample); };
        auto origin = [downsample](int v) { return v >= 0 ? v / downsample : -((-v + downsample - 1) / downsample); };
        small.width = scaled(small.width);
        small.height = scaled(small.height);
        small.x = origin(small.x);
        small.y = origin(small.y);
        small.full_width = scaled(small.full_width);
        small.full_height = scaled(small.full_height);
        small.full_x = origin(small.full_x);
        small.full_y = origin(small.full_y);
        frame.pixels.reset(small);
        if (!OIIO::ImageBufAlgo::resize(frame.pixels, file))
            throw std::runtime_error("cannot resample " + path_ + ": " + frame.pixels.geterror());
    } else {
        frame.pixels = std::move(file);
    }
    frame.fileSpec = spec;
    frame.fileSpec.copy_dimensions(frame.pixels.spec());
    frame.fileSpec.format = spec.format;
    frame.fileSpec.channelformats = spec.channelformats;

    const ImageSpec &local = frame.pixels.spec();
    frame.world = std::make_unique<fxhost::World>(local.width, local.height, renderFormat);
    WithSampleType(frame.pixels, [&](auto *sample) {
        using T = std::remove_pointer_t<decltype(sample)>;
        WithPixelType(renderFormat, [&](auto *pixel) {
            FillWorld<T, std::remove_pointer_t<decltype(pixel)>>(frame.pixels, frame.channels, *frame.world);
        });
    });
    return frame;
}

// ---------------------------------------------------------------- OutputImages

void CheckOutputFormat(const std::string &path) { CreateWriter(path); }

OutputImages::OutputImages(const std::string &path, const EncodeOptions &options) : path_(path), options_(options)
{
    formatName_ = CreateWriter(path)->format_name();
}

void OutputImages::checkImageCount(int images) const
{
    if (images > 1 && !TraitsOf(*CreateWriter(path_)).severalImages)
        throw UsageError("the input holds " + std::to_string(images) + " images and " + formatName_ +
                         " files hold one; write to a format that holds several (tif, exr)");
}

void OutputImages::add(const Frame &source, const fxhost::World &rendered, const std::string &sourceFormat)
{
    const ImageSpec &from = source.fileSpec;
    const FormatTraits traits = TraitsOf(*CreateWriter(path_));
    bool opaque = true, grey = true;
    WithPixelType(rendered.format(), [&](auto *pixel) {
        using Pixel = std::remove_pointer_t<decltype(pixel)>;
        opaque = AllOpaque<Pixel>(rendered);
        grey = source.channels.grey() && AllGrey<Pixel>(rendered);
    });
    const bool alpha = traits.alpha && (source.channels.alpha >= 0 || !opaque);

    // The channels written: colour (grey or R, G, B), alpha, then the
    // input's other channels where the format has room for them.
    ImageSpec spec = from;
    std::vector<int> extras;
    for (int c = 0; c < from.nchannels; ++c)
        if (c != source.channels.red && c != source.channels.green && c != source.channels.blue &&
            c != source.channels.alpha && traits.extraChannels)
            extras.push_back(c);
    spec.channelnames.clear();
    std::vector<TypeDesc> formats;
    auto addChannel = [&](const std::string &name, int sourceChannel) {
        spec.channelnames.push_back(name);
        formats.push_back(sourceChannel >= 0 ? from.channelformat(sourceChannel) : from.format);
    };
    if (grey) {
        addChannel(from.channel_name(source.channels.red), source.channels.red);
    } else {
        addChannel("R", source.channels.red);
        addChannel("G", source.channels.green);
        addChannel("B", source.channels.blue);
    }
    if (alpha) addChannel(source.channels.alpha >= 0 ? from.channel_name(source.channels.alpha) : "A", source.channels.alpha);
    for (int c : extras) addChannel(from.channel_name(c), c);
    spec.nchannels = static_cast<int>(spec.channelnames.size());
    spec.alpha_channel = alpha ? (grey ? 1 : 3) : -1;
    spec.z_channel = -1;
    for (int c = 0; c < spec.nchannels; ++c)
        if (BaseName(spec.channelnames[static_cast<size_t>(c)]) == "Z") spec.z_channel = c;

    spec.format = OutputType(formatName_, from.format);
    spec.channelformats.clear();
    if (traits.channelFormats && !from.channelformats.empty() && DepthOf(spec.format) == FileDepth::Float)
        spec.channelformats = formats;
    if (spec.format != from.format) spec.erase_attribute("oiio:BitsPerSample");
    if (formatName_ != sourceFormat) {
        spec.erase_attribute("compression");
        spec.erase_attribute("Compression");
    }
    if (!options_.compression.empty()) spec.attribute("compression", options_.compression);
    if (options_.quality > 0) {
        spec.attribute("CompressionQuality", options_.quality);
        std::string name = spec.get_string_attribute("compression", formatName_ == "webp" ? "webp" : "jpeg");
        name = name.substr(0, name.find(':'));
        spec.attribute("compression", name + ":" + std::to_string(options_.quality));
    }
    // Values are written as they are held. A file whose alpha association is
    // recorded keeps it; otherwise the values are declared unassociated, so
    // that no writer divides them by alpha (TIFF records either kind).
    if (!from.find_attribute("oiio:UnassociatedAlpha") && formatName_ != "tiff") spec.attribute("oiio:UnassociatedAlpha", 1);

    // The buffer holds the written sample type (half as float); the writer
    // converts to the file's per-channel types.
    ImageSpec bufferSpec = spec;
    bufferSpec.format = BufferType(DepthOf(spec.format));
    bufferSpec.channelformats.clear();
    auto buffer = std::make_unique<ImageBuf>(bufferSpec);
    std::vector<int> slots = grey ? std::vector<int>{0, -1, -1, alpha ? 1 : -1}
                                  : std::vector<int>{0, 1, 2, alpha ? 3 : -1};
    WithSampleType(*buffer, [&](auto *sample) {
        using T = std::remove_pointer_t<decltype(sample)>;
        WithPixelType(rendered.format(), [&](auto *pixel) {
            StoreWorld<T, std::remove_pointer_t<decltype(pixel)>>(rendered, slots, *buffer);
        });
    });
    // Other channels pass through unchanged.
    const int firstExtra = spec.nchannels - static_cast<int>(extras.size());
    for (size_t i = 0; i < extras.size(); ++i) {
        OIIO::ROI roi = OIIO::get_roi(bufferSpec);
        roi.chbegin = firstExtra + static_cast<int>(i);
        roi.chend = roi.chbegin + 1;
        OIIO::ROI fromRoi = OIIO::get_roi(from);
        fromRoi.chbegin = extras[i];
        fromRoi.chend = extras[i] + 1;
        std::vector<float> values(static_cast<size_t>(from.width) * from.height);
        source.pixels.get_pixels(fromRoi, TypeDesc::FLOAT, values.data());
        buffer->set_pixels(roi, TypeDesc::FLOAT, values.data());
    }
    images_.push_back(std::move(buffer));
    writeSpecs_.push_back(spec);
}

std::vector<unsigned char> OutputImages::encode() const
{
    // The image is encoded in memory, so that no write of the image library
    // meets a full disk (where the JPEG library would exit the process) and
    // every byte that reaches the disk is written and checked by sallow.
    // Writers that take an I/O proxy write into a vector; the others (and
    // TIFF, whose proxy writer loses its directories) write an anonymous
    // file in memory by name.
    auto out = CreateWriter(path_);
    std::vector<unsigned char> bytes;
    OIIO::Filesystem::IOVecOutput proxy(bytes);
    std::unique_ptr<MemoryFile> memory;
    std::string name = path_;
    if (out->supports("ioproxy") && formatName_ != "tiff") {
        out->set_ioproxy(&proxy);
    } else {
        memory = std::make_unique<MemoryFile>();
        name = memory->path();
    }
    bool ok = writeSpecs_.size() > 1 ? out->open(name, static_cast<int>(writeSpecs_.size()), writeSpecs_.data())
                                     : out->open(name, writeSpecs_.front());
    for (size_t i = 0; ok && i < images_.size(); ++i) {
        if (i > 0) ok = out->open(name, writeSpecs_[i], ImageOutput::AppendSubimage);
        ok = ok && images_[i]->write(out.get(), StopOnSignal);
    }
    ok = out->close() && ok;
    Interruption::check();
    // The TIFF writer reports a failure it recovers from; the result counts.
    std::string reason = out->geterror();
    for (const auto &image : images_)
        if (reason.empty()) reason = image->geterror();
    // Some writers report no failed write: a file that does not read back
    // whole is a failed one.
    if (ok && memory) {
        reason = memory->unreadable(images());
        ok = reason.empty();
    }
    if (!ok) throw std::runtime_error("cannot write " + path_ + ": " + (reason.empty() ? "the image library failed" : reason));
    return memory ? memory->bytes() : bytes;
}

// ---------------------------------------------------------------- whole files

LoadedImage ReadImage(const std::string &path, PF_PixelFormat renderFormat)
{
    Frame frame = InputFile(path).read(0, renderFormat, 1);
    return {std::move(frame.world), frame.depth};
}

void WriteImage(const std::string &path, const fxhost::World &world, FileDepth depth)
{
    const OutputFile file(path, "", false);
    Frame frame;
    frame.depth = depth;
    frame.channels = {0, 1, 2, 3};
    ImageSpec spec(world.width(), world.height(), 4, BufferType(depth));
    spec.alpha_channel = 3;
    spec.attribute("oiio:UnassociatedAlpha", 1);
    frame.fileSpec = spec;
    frame.pixels.reset(spec);
    OutputImages images(path, {});
    images.add(frame, world, "");
    const std::vector<unsigned char> bytes = images.encode();
    file.commit(bytes.data(), bytes.size());
}
