// sallow reads and writes image data faithfully: channels by name, the
// input's windows, aspect, metadata, sample types, compression and further
// images, clipping of values outside 0..1, the 16-bit scale, resampling for
// --downsample, and the largest frame side.
#include <OpenImageIO/imagebuf.h>
#include <OpenImageIO/imageio.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "ImageFile.h"
#include "SallowRun.h"
#include "TempFolder.h"

using OIIO::ImageBuf;
using OIIO::ImageSpec;
using OIIO::TypeDesc;

namespace {

// Every control that changes pixels switched off: the render returns its input.
const std::string kNoEffect = " --set \"Enable 1=off\" --set \"1 : Enable Process=off\" ";

class SallowImageData : public TempFolderTest {
protected:
    // A file of float samples, value(x, y, channel) for each.
    template <class Value>
    std::string WriteFile(const std::string &name, ImageSpec spec, Value value)
    {
        const std::string path = Path(name);
        ImageBuf buffer(spec);
        std::vector<float> pixel(static_cast<size_t>(spec.nchannels));
        for (int y = spec.y; y < spec.y + spec.height; ++y)
            for (int x = spec.x; x < spec.x + spec.width; ++x) {
                for (int c = 0; c < spec.nchannels; ++c) pixel[static_cast<size_t>(c)] = value(x, y, c);
                buffer.setpixel(x, y, pixel.data(), spec.nchannels);
            }
        EXPECT_TRUE(buffer.write(path)) << buffer.geterror();
        return path;
    }
    // The samples as stored, without premultiplication.
    static ImageBuf Read(const std::string &path, int subimage = 0)
    {
        ImageSpec hints;
        hints.attribute("oiio:UnassociatedAlpha", 1);
        ImageBuf buffer(path, subimage, 0, nullptr, &hints);
        buffer.read(subimage, 0, true, TypeDesc::FLOAT);
        return buffer;
    }
    // The image description (ImageSpec) as the file declares it.
    static ImageSpec FileSpec(const std::string &path)
    {
        auto in = OIIO::ImageInput::open(path);
        return in ? in->spec() : ImageSpec();
    }
};

TEST_F(SallowImageData, ChannelsAreFoundByNameAndOthersPassThrough)
{
    ImageSpec spec(6, 4, 4, TypeDesc::FLOAT);
    spec.channelnames = {"R", "G", "B", "Z"};
    spec.alpha_channel = -1;
    spec.z_channel = 3;
    const std::string input =
        WriteFile("rgbz.exr", spec, [](int x, int y, int c) { return c == 3 ? 10.0f + x + y : 0.1f * (c + 1); });
    const std::string output = Path("out.exr");
    const CliRun run = Sallow("render " + input + " " + output + kNoEffect);
    ASSERT_EQ(run.status, 0) << run.output;
    const ImageBuf result = Read(output);
    ASSERT_EQ(result.spec().channelnames, (std::vector<std::string>{"R", "G", "B", "Z"}));
    EXPECT_EQ(result.spec().alpha_channel, -1);
    EXPECT_FLOAT_EQ(result.getchannel(2, 1, 0, 3), 13.0f);
    EXPECT_FLOAT_EQ(result.getchannel(2, 1, 0, 1), 0.2f);

    // A file without alpha is written without it; one in grey stays grey.
    ImageSpec grey(5, 3, 1, TypeDesc::UINT8);
    grey.channelnames = {"Y"};
    const std::string greyInput = WriteFile("grey.png", grey, [](int x, int, int) { return x / 8.0f; });
    ASSERT_EQ(Sallow("render " + greyInput + " " + Path("grey-out.png") + kNoEffect).status, 0);
    ImageBuf greyOut = Read(Path("grey-out.png"));
    EXPECT_EQ(greyOut.spec().nchannels, 1);
    EXPECT_FLOAT_EQ(greyOut.getchannel(4, 0, 0, 0), std::round(255 * 0.5f) / 255);

    ImageSpec rgb(5, 3, 3, TypeDesc::UINT8);
    const std::string rgbInput = WriteFile("rgb.png", rgb, [](int x, int, int c) { return (x + c) / 8.0f; });
    ASSERT_EQ(Sallow("render " + rgbInput + " " + Path("rgb-out.tif") + kNoEffect).status, 0);
    EXPECT_EQ(Read(Path("rgb-out.tif")).spec().nchannels, 3);
}

TEST_F(SallowImageData, TheInputsWindowsAspectTypesCompressionAndMetadataAreKept)
{
    ImageSpec spec(20, 10, 4, TypeDesc::HALF);
    spec.x = 10;
    spec.y = 5;
    spec.full_width = 80;
    spec.full_height = 60;
    spec.attribute("PixelAspectRatio", 2.0f);
    spec.attribute("compression", "piz");
    spec.attribute("Comment", "scene 12, cut 3");
    const std::string input = WriteFile("windowed.exr", spec, [](int x, int y, int c) { return c == 3 ? 1.0f : (x + y) / 100.0f; });
    const std::string output = Path("out.exr");
    ASSERT_EQ(Sallow("render " + input + " " + output + kNoEffect).status, 0);
    const ImageSpec result = FileSpec(output);
    EXPECT_EQ(std::vector<int>({result.x, result.y, result.width, result.height}), std::vector<int>({10, 5, 20, 10}));
    EXPECT_EQ(std::vector<int>({result.full_x, result.full_y, result.full_width, result.full_height}),
              std::vector<int>({0, 0, 80, 60}));
    EXPECT_FLOAT_EQ(result.get_float_attribute("PixelAspectRatio"), 2.0f);
    EXPECT_EQ(result.format, TypeDesc::HALF);
    EXPECT_EQ(result.get_string_attribute("compression"), "piz");
    EXPECT_EQ(result.get_string_attribute("Comment"), "scene 12, cut 3");
    EXPECT_FLOAT_EQ(Read(output).getchannel(12, 6, 0, 0), Read(input).getchannel(12, 6, 0, 0));

    // --compression chooses the output's.
    ASSERT_EQ(Sallow("render --compression zip " + input + " " + output + kNoEffect).status, 0);
    EXPECT_EQ(FileSpec(output).get_string_attribute("compression"), "zip");

    // PNG text and resolution.
    ImageSpec png(8, 8, 4, TypeDesc::UINT8);
    png.attribute("Description", "background plate");
    png.attribute("XResolution", 300.0f);
    png.attribute("YResolution", 300.0f);
    png.attribute("ResolutionUnit", "inch");
    const std::string pngInput = WriteFile("plate.png", png, [](int x, int, int) { return x / 8.0f; });
    ASSERT_EQ(Sallow("render " + pngInput + " " + Path("plate-out.png") + kNoEffect).status, 0);
    const ImageSpec pngResult = FileSpec(Path("plate-out.png"));
    EXPECT_EQ(pngResult.get_string_attribute("ImageDescription"), "background plate");
    EXPECT_NEAR(pngResult.get_float_attribute("XResolution"), 300.0f, 0.01f);

    // --quality for lossy outputs.
    ImageSpec noisy(64, 64, 3, TypeDesc::UINT8);
    const std::string noisyInput = WriteFile("noisy.png", noisy, [](int x, int y, int c) { return ((x * 7 + y * 13 + c * 5) % 17) / 16.0f; });
    ASSERT_EQ(Sallow("render --quality 20 " + noisyInput + " " + Path("low.jpg") + kNoEffect).status, 0);
    ASSERT_EQ(Sallow("render --quality 100 " + noisyInput + " " + Path("high.jpg") + kNoEffect).status, 0);
    EXPECT_LT(ReadText(Path("low.jpg")).size(), ReadText(Path("high.jpg")).size());
}

TEST_F(SallowImageData, EveryPageOfAFileIsRendered)
{
    const std::string input = Path("pages.tif");
    {
        auto out = OIIO::ImageOutput::create(input);
        ImageSpec specs[3] = {ImageSpec(4, 4, 4, TypeDesc::UINT8), ImageSpec(6, 2, 4, TypeDesc::UINT8),
                              ImageSpec(3, 3, 4, TypeDesc::UINT8)};
        ASSERT_TRUE(out->open(input, 3, specs));
        for (int page = 0; page < 3; ++page) {
            if (page > 0) {
                ASSERT_TRUE(out->open(input, specs[page], OIIO::ImageOutput::AppendSubimage));
            }
            std::vector<unsigned char> pixels(static_cast<size_t>(specs[page].image_pixels()) * 4, static_cast<unsigned char>(40 * page + 10));
            ASSERT_TRUE(out->write_image(TypeDesc::UINT8, pixels.data()));
        }
        out->close();
    }
    const std::string output = Path("out.tif");
    const CliRun run = Sallow("render " + input + " " + output + kNoEffect);
    ASSERT_EQ(run.status, 0) << run.output;
    auto in = OIIO::ImageInput::open(output);
    ASSERT_TRUE(in);
    ASSERT_TRUE(in->seek_subimage(2, 0));
    EXPECT_EQ(in->spec().width, 3);
    EXPECT_FALSE(in->seek_subimage(3, 0));
    EXPECT_FLOAT_EQ(Read(output, 1).getchannel(1, 1, 0, 0), 50 / 255.0f);

    // A format that holds one image is refused before anything is rendered.
    const CliRun single = Sallow("render " + input + " " + Path("out.png"));
    EXPECT_EQ(single.status, 2);
    EXPECT_TRUE(Contains(single.output, "holds 3 images")) << single.output;
}

TEST_F(SallowImageData, FloatsOutsideTheRangeClip)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float values[] = {inf, -inf, std::nanf(""), 0.5f, 2.0f, -1.0f};
    ImageSpec spec(6, 1, 4, TypeDesc::FLOAT);
    const std::string input = WriteFile("extremes.exr", spec, [&](int x, int, int c) { return c == 3 ? 1.0f : values[x]; });
    const float expected[] = {1.0f, 0.0f, 0.0f, 0.5f, 1.0f, 0.0f};
    for (const char *depth : {"", "--depth 8", "--depth 16"}) {
        const std::string output = Path("out.png");
        ASSERT_EQ(Sallow("render " + std::string(depth) + " " + input + " " + output + kNoEffect).status, 0) << depth;
        const ImageBuf result = Read(output);
        for (int x = 0; x < 6; ++x) EXPECT_NEAR(result.getchannel(x, 0, 0, 0), expected[x], 0.002) << depth << " at " << x;
    }
}

TEST_F(SallowImageData, SixteenBitValuesRoundToTheHostScaleAndBack)
{
    // Every 16-bit value once.
    ImageSpec spec(256, 256, 3, TypeDesc::UINT16);
    const std::string input = WriteFile("ramp.png", spec, [](int x, int y, int) { return (y * 256 + x) / 65535.0f; });
    auto samples = [](const std::string &path) {
        ImageBuf buffer(path);
        std::vector<uint16_t> values(256 * 256 * 3);
        buffer.get_pixels(buffer.roi(), TypeDesc::UINT16, values.data());
        return values;
    };
    ASSERT_EQ(Sallow("render " + input + " " + Path("host.png") + kNoEffect).status, 0);
    const std::vector<uint16_t> host = samples(Path("host.png"));
    int changed = 0;
    for (long v = 0; v < 65536; ++v) {
        const long scaled = (v * 32768 + 32767) / 65535;  // nearest of 32,769 levels
        const long back = (scaled * 65535 + 16384) / 32768;
        EXPECT_EQ(host[static_cast<size_t>(v) * 3], back) << v;
        EXPECT_LE(std::labs(back - v), 1);
        changed += back != v;
    }
    EXPECT_EQ(changed, 32767);  // in each of R, G and B: 98,301 samples

    ASSERT_EQ(Sallow("render --depth 32 " + input + " " + Path("float.png") + kNoEffect).status, 0);
    EXPECT_EQ(samples(Path("float.png")), samples(input));
}

TEST_F(SallowImageData, DownsampleRendersASmallerFrame)
{
    ImageSpec spec(101, 61, 4, TypeDesc::UINT8);
    const std::string input = WriteFile("big.png", spec, [](int x, int y, int c) { return c == 3 ? 1.0f : ((x / 10 + y / 10) % 2) * 0.8f; });
    ASSERT_EQ(Sallow("render --downsample 2 " + input + " " + Path("half.png")).status, 0);
    const ImageSpec half = Read(Path("half.png")).spec();
    EXPECT_EQ(half.width, 51);
    EXPECT_EQ(half.height, 31);
    ASSERT_EQ(Sallow("render --downsample 4 " + input + " " + Path("quarter.png")).status, 0);
    EXPECT_EQ(Read(Path("quarter.png")).spec().width, 26);
}

TEST_F(SallowImageData, FramesWiderThanTheHostDescribesAreRefusedByName)
{
    ImageSpec spec(32768, 1, 3, TypeDesc::UINT8);
    const std::string input = WriteFile("wide.png", spec, [](int, int, int) { return 0.5f; });
    const CliRun run = Sallow("render " + input + " " + Path("out.png"));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.output, "32768x1 pixels; the effect renders frames of at most 32767 pixels a side"))
        << run.output;

    spec.width = 32767;
    const std::string widest = WriteFile("widest.png", spec, [](int, int, int) { return 0.5f; });
    EXPECT_EQ(Sallow("render " + widest + " " + Path("out.png") + kNoEffect).status, 0);
}

}  // namespace
