// sallow render on numbered sequences: the pattern forms, frame lists,
// missing frames, several frames at once, resuming a killed shot, and shot
// progress.
#include <signal.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ImageFile.h"
#include "Pixels.h"
#include "SallowRun.h"
#include "TempFolder.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFrames = 12;
const std::string kLook = "--no-user-defaults --set \"Color 1 Range=20\" --set \"Blur Amount=4\"";

std::string Numbered(const std::string &stem, int frame, int width, const std::string &extension)
{
    std::string digits = std::to_string(frame);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return stem + digits + extension;
}

// A small cel-like frame whose key-coloured patch moves with the frame.
fxhost::World ShotFrame(int frame, A_long width, A_long height)
{
    return testpixels::Draw(width, height, PF_PixelFormat_ARGB32, [frame](A_long x, A_long y) {
        if (x == 0 && y == 0) return PF_Pixel{0, 0, 0, 0};
        if (x >= frame % 7 + 2 && x < frame % 7 + 12 && y >= 3 && y < 12)
            return PF_Pixel{255, 3, static_cast<A_u_char>(170 + x % 5 * 4), 245};
        if (x == 20) return PF_Pixel{255, 30, 20, 30};
        return PF_Pixel{255, 230, static_cast<A_u_char>(190 + frame), 170};
    });
}

class SallowShot : public TempFolderTest {
protected:
    void SetUp() override
    {
        for (int frame = 1; frame <= kFrames; ++frame) WriteImage(In(frame), ShotFrame(frame, 24, 16), FileDepth::Eight);
    }

    std::string In(int frame) const { return Path(Numbered("in.", frame, 4, ".png")); }
    std::string Pattern(const std::string &name) const { return "'" + Path(name) + "'"; }

    // Every frame one at a time; two of them also as single files.
    void RenderReferences()
    {
        const CliRun run = Sallow("render " + Pattern("in.%04d.png") + " " + Pattern("ref.%04d.png") + " --jobs 1 " + kLook);
        ASSERT_EQ(run.status, 0) << run.output;
        for (int frame : {4, 11}) {
            const std::string single = Path("single" + std::to_string(frame) + ".png");
            ASSERT_EQ(Sallow("render " + In(frame) + " " + single + " " + kLook).status, 0);
            ASSERT_TRUE(SameImage(single, Reference(frame))) << frame;
        }
    }
    std::string Reference(int frame) const { return Path(Numbered("ref.", frame, 4, ".png")); }

    static bool SameImage(const std::string &a, const std::string &b)
    {
        if (!fs::exists(a) || !fs::exists(b)) return false;
        return ReadImage(a, 0).world->samePixels(*ReadImage(b, 0).world);
    }

    std::vector<std::string> FilesStartingWith(const std::string &prefix) const
    {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(folder_))
            if (entry.path().filename().string().rfind(prefix, 0) == 0) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

struct PatternCase {
    const char *input, *output, *frames;
    std::vector<int> expected;  // the frames rendered
    int outputDigits;
};

TEST_F(SallowShot, EveryPatternFormAndFrameListRendersTheFramesItNames)
{
    RenderReferences();
    std::vector<int> all;
    for (int frame = 1; frame <= kFrames; ++frame) all.push_back(frame);
    const PatternCase cases[] = {
        {"in.%04d.png", "a.#.png", "--frames 1-12", all, 4},
        {"in.#.png", "b.@@@.png", "--frames 1-12x3", {1, 4, 7, 10}, 3},
        {"in.@@@@.png", "c.%d.png", "--frames 2,5,9-11,5", {2, 5, 9, 10, 11}, 0},
        {"in.%04d.png", "d.%03d.png", "--frames 12-10", {10, 11, 12}, 3},
        {"in.#.png", "e.#.png", "", all, 4},  // the frames on disk
    };
    for (const PatternCase &c : cases) {
        const CliRun run = Sallow("render " + Pattern(c.input) + " " + Pattern(c.output) + " " + c.frames + " " + kLook);
        ASSERT_EQ(run.status, 0) << c.output << "\n" << run.output;
        const std::string stem(c.output, 2);
        const std::vector<std::string> written = FilesStartingWith(stem);
        EXPECT_EQ(written.size(), c.expected.size()) << c.output;
        for (int frame : c.expected) {
            const std::string name = Numbered(stem, frame, c.outputDigits, ".png");
            EXPECT_TRUE(SameImage(Path(name), Reference(frame))) << name;
        }
    }
}

TEST_F(SallowShot, AMissingFrameIsReportedTheOthersRenderAndTheStatusSaysSo)
{
    fs::remove(In(7));
    const CliRun run = Sallow("render " + Pattern("in.%04d.png") + " " + Pattern("out.%04d.png") + " --frames 1-12 " + kLook);
    EXPECT_EQ(run.status, 3) << run.output;
    EXPECT_TRUE(Contains(run.output, "frame 7: cannot read " + In(7) + ": no such file")) << run.output;
    EXPECT_TRUE(Contains(run.output, "11 rendered, 0 skipped, 1 failed")) << run.output;
    EXPECT_TRUE(Contains(run.output, "failed frames: 7 (render them again with --frames 7)")) << run.output;
    EXPECT_EQ(FilesStartingWith("out.").size(), 11u);
    EXPECT_FALSE(fs::exists(Path("out.0007.png")));

    // Without --frames only the frames on disk are the shot.
    EXPECT_EQ(Sallow("render " + Pattern("in.%04d.png") + " " + Pattern("all.%04d.png") + " -q " + kLook).status, 0);
    EXPECT_EQ(FilesStartingWith("all.").size(), 11u);
}

TEST_F(SallowShot, MistakesInSequencesAreUsageErrors)
{
    const std::string in = Pattern("in.%04d.png");
    const struct {
        std::string arguments, message;
    } cases[] = {
        {"render " + in + " " + Path("one.png"), "OUTPUT needs a frame-number field"},
        {"render " + In(1) + " " + Pattern("o.#.png") + " --frames 1-3", "--frames needs a numbered INPUT"},
        {"render " + in + " " + Pattern("o.#.png") + " --frames 1-x", "--frames takes frame numbers"},
        {"render " + in + " " + Pattern("o.#.png") + " --frames 3-9x0", "a step of 0"},
        {"render " + Pattern("in.%04d.%04d.png") + " " + Pattern("o.#.png"), "more than one frame-number field"},
        {"render " + in + " " + Pattern("in.#.png"), "names the input frames"},
        {"render " + in + " " + Pattern("o.#.png") + " --skip-existing -n", "excludes"},
    };
    for (const auto &c : cases) {
        const CliRun run = Sallow(c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments << "\n" << run.output;
        EXPECT_TRUE(Contains(run.output, c.message)) << c.arguments << "\n" << run.output;
    }
    // A file that exists is that file, whatever characters its name holds.
    fs::copy_file(In(1), Path("take#1.png"));
    EXPECT_EQ(Sallow("render " + Pattern("take#1.png") + " " + Pattern("take#1-out.png")).status, 0);
    EXPECT_TRUE(fs::exists(Path("take#1-out.png")));
}

TEST_F(SallowShot, ThreeFramesAtOnceGiveTheFramesOfOneAtATime)
{
    // Every process at work, so that each frame runs many kernels.
    const std::string look = kLook + " --set \"2 : Enable Process=on\" --set \"2 : Color=#E6C3AA\" --set \"Enable 2=on\"" +
                             " --set \"Color 2=#1E141E\" --set \"Color 2 Range=30\" --depth 32";
    for (const char *jobs : {"1", "3"}) {
        const CliRun run = Sallow("render " + Pattern("in.%04d.png") + " " + Pattern(std::string("j") + jobs + ".#.exr") +
                                  " --jobs " + jobs + " --threads 2 " + look);
        ASSERT_EQ(run.status, 0) << run.output;
        EXPECT_TRUE(Contains(run.output, std::string(jobs) + " at once, 2 threads each")) << run.output;
    }
    for (int frame = 1; frame <= kFrames; ++frame)
        EXPECT_TRUE(SameImage(Path(Numbered("j1.", frame, 4, ".exr")), Path(Numbered("j3.", frame, 4, ".exr")))) << frame;
}

TEST_F(SallowShot, ProgressIsALinePerFrameInAPipeAndJsonOnRequest)
{
    const std::string shot = "render " + Pattern("in.%04d.png") + " " + Pattern("p.#.png") + " --frames 1-3 " + kLook;
    const CliRun lines = Sallow(shot + " --progress");
    ASSERT_EQ(lines.status, 0) << lines.output;
    EXPECT_EQ(lines.output.find('\r'), std::string::npos);
    for (const char *part : {"frame 1: rendered ", "frame 2: rendered ", "frame 3: rendered ", "[3/3]", "3 frames in "})
        EXPECT_TRUE(Contains(lines.output, part)) << part << "\n" << lines.output;

    // Standard output holds the records alone.
    const CliRun run = Sallow(shot + " --progress=json --jobs 2 2>/dev/null | cat");
    ASSERT_EQ(run.status, 0);
    const std::string records = run.output;
    EXPECT_EQ(LineCount(records), 3u) << records;
    EXPECT_EQ(records.find("sallow:"), std::string::npos) << records;
    for (const std::string &part : {std::string("{\"frame\":1,"), std::string("\"status\":\"rendered\""),
                                    std::string("\"total\":3,"), std::string("\"done\":3,"),
                                    "\"output\":\"" + Path("p.0002.png") + "\""})
        EXPECT_TRUE(Contains(records, part)) << part << "\n" << records;
}

TEST_F(SallowShot, AShotKilledPartWayLeavesWholeFramesAndResumesWithSkipExisting)
{
    // Larger frames, so that the shot is still running when it is killed.
    for (int frame = 1; frame <= kFrames; ++frame) WriteImage(In(frame), ShotFrame(frame, 400, 300), FileDepth::Eight);
    const std::vector<std::string> shot = {"render", Path("in.%04d.png"), Path("out.%04d.png"), "--progress=lines",
                                           "--jobs", "2", "--no-user-defaults", "--set", "Color 1 Range=30",
                                           "--set", "Blur Amount=60"};
    {
        SallowProcess first(shot);
        ASSERT_TRUE(first.readUntil("[3/12]")) << first.output();
        first.signal(SIGKILL);
        EXPECT_EQ(first.wait(), -SIGKILL);
    }
    // Every frame under its final name is whole.
    std::vector<std::string> kept = FilesStartingWith("out.");
    ASSERT_GE(kept.size(), 3u);
    ASSERT_LT(kept.size(), static_cast<size_t>(kFrames));
    for (const std::string &name : kept) EXPECT_NO_THROW(ReadImage(Path(name), 0)) << name;

    std::vector<std::string> again = shot;
    again.push_back("--skip-existing");
    SallowProcess rerun(again);
    EXPECT_EQ(rerun.wait(), 0) << rerun.output();
    EXPECT_TRUE(Contains(rerun.output(), std::to_string(kept.size()) + " skipped, 0 failed")) << rerun.output();
    EXPECT_EQ(FilesStartingWith("out.").size(), static_cast<size_t>(kFrames));
    // The frames kept from the killed run are those a whole run gives.
    const CliRun whole = Sallow("render " + Pattern("in.%04d.png") + " " + Pattern("whole.%04d.png") +
                                " -q --no-user-defaults --set \"Color 1 Range=30\" --set \"Blur Amount=60\"");
    ASSERT_EQ(whole.status, 0) << whole.output;
    for (int frame = 1; frame <= kFrames; ++frame)
        EXPECT_TRUE(SameImage(Path(Numbered("out.", frame, 4, ".png")), Path(Numbered("whole.", frame, 4, ".png")))) << frame;
}

}  // namespace
