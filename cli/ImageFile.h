// Image files in and out of host worlds, with pixel values exactly as stored:
// no premultiplication and no colour management. Channels are found by name
// (R, G, B, A; Y for grey); everything else a file holds (windows, pixel
// aspect, metadata, sample types, compression, extra channels, further
// images) is carried to the output where its format has room for it.
#pragma once

#include <OpenImageIO/imagebuf.h>

#include <memory>
#include <string>
#include <vector>

#include "fxhost/World.h"

enum class FileDepth { Eight, Sixteen, Float };

PF_PixelFormat WorldFormatFor(FileDepth depth);
// The world format of a render depth in bits (8, 16 or 32); 0 for 0, which
// stands for the file's own depth.
PF_PixelFormat RenderFormatFor(int bits);

// The largest width or height the effect renders: the host describes a
// frame with 16-bit rectangles.
constexpr int kLargestSide = 32767;

// Memory the machine can give this process now, in bytes.
double AvailableMemory();
// Bytes that rendering one image of this spec holds at `renderFormat` (0:
// the file's own depth).
double RenderMemory(const OIIO::ImageSpec &spec, PF_PixelFormat renderFormat);

// Where a frame's colour and alpha are among a file's channels; -1 for none.
struct ChannelMap {
    int red = -1, green = -1, blue = -1, alpha = -1;
    bool grey() const { return red == green && green == blue; }
};

// One image of a file: its pixels as a buffer of the file's sample type
// (8-bit, 16-bit or float) and its spec with every attribute, and the world
// the effect renders from it.
struct Frame {
    OIIO::ImageSpec fileSpec;  // as the file has it, with the windows of `pixels`
    OIIO::ImageBuf pixels;
    ChannelMap channels;
    FileDepth depth = FileDepth::Eight;
    std::unique_ptr<fxhost::World> world;
};

// A file to read: its headers are read and checked when it opens, its
// pixels one image at a time.
class InputFile {
public:
    // Throws std::runtime_error naming the file and the cause: no such file,
    // not an image, a side larger than kLargestSide, or more pixels than the
    // machine has memory to render.
    explicit InputFile(const std::string &path);

    const std::string &path() const { return path_; }
    int images() const { return static_cast<int>(specs_.size()); }
    const OIIO::ImageSpec &spec(int image) const { return specs_[static_cast<size_t>(image)]; }
    std::string formatName() const { return formatName_; }

    // Reads one image into a frame whose world has `renderFormat` (0: the
    // file's own depth), resampled to 1/downsample of its size the way a
    // host rendering at that resolution hands the effect a smaller layer.
    Frame read(int image, PF_PixelFormat renderFormat, int downsample) const;

private:
    std::string path_;
    std::string formatName_;
    std::vector<OIIO::ImageSpec> specs_;
};

struct EncodeOptions {
    std::string compression;  // empty: the input's where the formats agree, else the writer's default
    int quality = 0;          // 1 to 100; 0: the input's or the writer's default
};

// The frames of one output file, encoded in memory so that every byte is
// written and checked by OutputFile.
class OutputImages {
public:
    // Throws UsageError when the extension names no format sallow can write.
    OutputImages(const std::string &path, const EncodeOptions &options);

    // Checks that the format can hold `images` images.
    void checkImageCount(int images) const;

    // Adds the rendered world as the next image, described as the frame
    // it came from.
    void add(const Frame &source, const fxhost::World &rendered, const std::string &sourceFormat);

    int images() const { return static_cast<int>(images_.size()); }
    std::vector<unsigned char> encode() const;

private:
    std::string path_;
    std::string formatName_;
    EncodeOptions options_;
    std::vector<std::unique_ptr<OIIO::ImageBuf>> images_;
    std::vector<OIIO::ImageSpec> writeSpecs_;
};

// Checks that sallow can write a file with this name's extension; throws
// UsageError naming the formats it can.
void CheckOutputFormat(const std::string &path);

// Reads the first image into a world of `renderFormat` (0: the file's depth).
struct LoadedImage {
    std::unique_ptr<fxhost::World> world;
    FileDepth fileDepth;
};
LoadedImage ReadImage(const std::string &path, PF_PixelFormat renderFormat);

// Writes a world as a new image at the depth asked for, within what the
// format holds (PNG: 8 or 16 bits; EXR: float; JPEG: 8 bits), whole or not
// at all.
void WriteImage(const std::string &path, const fxhost::World &world, FileDepth depth);
