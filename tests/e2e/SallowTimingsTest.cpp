// sallow render --timings: where the effect's time went, by kernel and host
// call, without changing a pixel.
#include <filesystem>
#include <string>

#include "ImageFile.h"
#include "Pixels.h"
#include "SallowRun.h"
#include "TempFolder.h"

namespace {

class SallowTimings : public TempFolderTest {
protected:
    void SetUp() override
    {
        // The key colour on the left, a second colour in a band across.
        fxhost::World world(40, 24, WorldFormatFor(FileDepth::Eight));
        testpixels::FillPattern(world, 3);
        for (A_long y = 0; y < world.height(); ++y)
            for (A_long x = 0; x < world.width(); ++x) {
                if (x < 20) world.at<PF_Pixel8>(x, y) = {255, 0x03, 0xB4, 0xF5};
                if (y >= 8 && y < 14) world.at<PF_Pixel8>(x, y) = {255, 0x02, 0x80, 0xBE};
            }
        for (const char *name : {"in.png", "shot.0001.png", "shot.0002.png", "shot.0003.png"})
            WriteImage(Path(name), world, FileDepth::Eight);
    }

    static size_t Count(const std::string &text, const std::string &part)
    {
        size_t count = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
        return count;
    }
};

TEST_F(SallowTimings, AFrameListsItsKernelsByNameAndHostCallsAndKeepsItsPixels)
{
    const std::string settings =
        " --set \"Enable 2=on\" --set \"Color 2=#0280BE\" --set \"1 : Color=#0280BE\" --set \"Blur Amount=6\" "
        "--threads 2 --no-user-defaults";
    const CliRun timed = Sallow("render " + Path("in.png") + " " + Path("timed.png") + " --timings" + settings);
    ASSERT_EQ(timed.status, 0) << timed.output;
    EXPECT_EQ(Count(timed.output, "in the effect; timed host calls, longest first"), 1u) << timed.output;
    EXPECT_TRUE(Contains(timed.output, "in.png 40x24 8-bit:")) << timed.output;
    // Workers by their own names, not addresses; the host's own calls by the
    // names the effect calls them by.
    for (const char *name : {"iterate_generic: RegionBlurRows<PF_Pixel16", "iterate_generic: RegionBlurColumns<",
                             "iterate_generic: BoundaryBlurRows<", "PF_NewWorld", "host_new_handle", "AcquireSuite"})
        EXPECT_TRUE(Contains(timed.output, name)) << name << "\n" << timed.output;
    EXPECT_FALSE(Contains(timed.output, "iterate_generic: 0x")) << timed.output;

    const CliRun plain = Sallow("render " + Path("in.png") + " " + Path("plain.png") + settings);
    ASSERT_EQ(plain.status, 0) << plain.output;
    EXPECT_FALSE(Contains(plain.output, "timed host calls"));
    EXPECT_TRUE(ReadImage(Path("timed.png"), 0).world->samePixels(*ReadImage(Path("plain.png"), 0).world));
}

TEST_F(SallowTimings, FramesOneAtATimeEachGetATableFramesAtOnceShareOne)
{
    const std::string shot = "render '" + Path("shot.#.png") + "' '" + Path("out.#.png") + "' --timings --threads 1 --no-user-defaults";
    const CliRun oneByOne = Sallow(shot + " --jobs 1");
    ASSERT_EQ(oneByOne.status, 0) << oneByOne.output;
    EXPECT_EQ(Count(oneByOne.output, "timed host calls"), 3u) << oneByOne.output;

    const CliRun together = Sallow(shot + " --jobs 2");
    ASSERT_EQ(together.status, 0) << together.output;
    EXPECT_EQ(Count(together.output, "timed host calls"), 1u) << together.output;
    EXPECT_TRUE(Contains(together.output, "shot.#.png (3 frames):")) << together.output;
}

TEST_F(SallowTimings, QuietAndTimingsTogetherAreAMistake)
{
    const CliRun run = Sallow("render " + Path("in.png") + " " + Path("out.png") + " --timings --quiet");
    EXPECT_EQ(run.status, 2) << run.output;
    EXPECT_FALSE(std::filesystem::exists(Path("out.png")));
}

}  // namespace
