// The sallow command: what it prints, the files it renders, and how it fails.
#include <filesystem>
#include <string>

#include "ImageFile.h"
#include "Pixels.h"
#include "SallowRun.h"
#include "TempFolder.h"

namespace {

class SallowCli : public TempFolderTest {
protected:
    // A file of the given depth with varied colours and partial alpha.
    std::string MakeInput(const std::string &name, FileDepth depth)
    {
        fxhost::World world(13, 9, WorldFormatFor(depth));
        testpixels::FillPattern(world, 7);
        const std::string path = Path(name);
        WriteImage(path, world, depth);
        return path;
    }
};

TEST_F(SallowCli, InfoDecodesWhatTheModuleDeclares)
{
    const CliRun run = Sallow("info");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "version: 1.0.2, release, build 8 (0x00081608)")) << run.output;
    EXPECT_TRUE(Contains(run.output, "out_flags: 0x06000070"));
    EXPECT_TRUE(Contains(run.output, "PF_OutFlag2_I_AM_THREADSAFE"));
    EXPECT_TRUE(Contains(run.output, "K_Sallowmerine 1.0.2 Release"));
}

TEST_F(SallowCli, ParamsListsEveryControl)
{
    const CliRun run = Sallow("params");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "58 host parameters: the input layer and 57 controls"));
    EXPECT_TRUE(Contains(run.output, "Blur Amount"));
    EXPECT_TRUE(Contains(run.output, "#03B4F5 (alpha 255)"));
    EXPECT_TRUE(Contains(run.output, "4 : Keep Process"));
    size_t rows = 0;
    for (size_t at = run.output.find('\n'); at != std::string::npos; at = run.output.find('\n', at + 1)) ++rows;
    EXPECT_EQ(rows, 2u + 57u);
}

struct RoundTrip {
    const char *file;
    FileDepth fileDepth;
    const char *depthOption;
};

class SallowRoundTrip : public SallowCli, public ::testing::WithParamInterface<std::tuple<RoundTrip, bool>> {};

TEST_P(SallowRoundTrip, DefaultRenderKeepsEveryStoredValue)
{
    const RoundTrip &trip = std::get<0>(GetParam());
    const bool classic = std::get<1>(GetParam());
    const std::string input = MakeInput(trip.file, trip.fileDepth);
    const std::string output = Path(std::string("out-") + trip.file);
    // Every control disabled: the frame comes back as it went in.
    const std::string off = " --set \"Enable 1=off\" --set \"1 : Enable Process=off\"";
    const CliRun run = Sallow("render " + input + " " + output + " " + trip.depthOption + off +
                           (classic ? " --classic" : ""));
    ASSERT_EQ(run.status, 0) << run.output;
    LoadedImage before = ReadImage(input, 0);
    LoadedImage after = ReadImage(output, 0);
    EXPECT_EQ(after.fileDepth, trip.fileDepth);
    EXPECT_TRUE(after.world->samePixels(*before.world));
}

INSTANTIATE_TEST_SUITE_P(
    FilesDepthsAndPaths, SallowRoundTrip,
    ::testing::Combine(::testing::Values(RoundTrip{"eight.png", FileDepth::Eight, ""},
                                         RoundTrip{"eight.png", FileDepth::Eight, "--depth 16"},
                                         RoundTrip{"eight.png", FileDepth::Eight, "--depth 32"},
                                         RoundTrip{"sixteen.png", FileDepth::Sixteen, ""},
                                         RoundTrip{"sixteen.png", FileDepth::Sixteen, "--depth 32"},
                                         RoundTrip{"float.exr", FileDepth::Float, ""},
                                         RoundTrip{"sixteen.tif", FileDepth::Sixteen, ""}),
                       ::testing::Bool()));

TEST_F(SallowCli, MistakesAreNamedAndWriteNothing)
{
    const std::string input = MakeInput("in.png", FileDepth::Eight);
    const std::string output = Path("out.png");

    CliRun run = Sallow("render " + input + " " + output + " --set \"Blur Amout=3\"");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Contains(run.output, "no control named \"Blur Amout\"; did you mean \"Blur Amount\"?")) << run.output;

    run = Sallow("render " + input + " " + output + " --set \"Blur Repeat Num=11\"");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Contains(run.output, "\"Blur Repeat Num\" must lie between 1 and 10, not 11")) << run.output;

    // Numbers beyond any integer are out of range, not fractions.
    run = Sallow("render " + input + " " + output + " --set \"Blur Repeat Num=1e300\" --set \"Color 1=9e99,0,0\"");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Contains(run.output, "\"Blur Repeat Num\" must lie between 1 and 10, not 1e+300")) << run.output;

    run = Sallow("render " + input + " " + output + " --set \"View=Sideways\"");
    EXPECT_EQ(run.status, 2);

    run = Sallow("render " + input + " " + output + " --set \"Color 2=#12345\"");
    EXPECT_EQ(run.status, 2);

    run = Sallow("render " + Path("missing.png") + " " + output);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.output, "cannot read")) << run.output;

    run = Sallow("render " + input + " " + Path("no/such/folder/out.png"));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.output, "cannot write")) << run.output;

    EXPECT_FALSE(std::filesystem::exists(output));
    for (const auto &entry : std::filesystem::directory_iterator(folder_))
        EXPECT_EQ(entry.path().filename().string().rfind(".sallow-", 0), std::string::npos) << entry.path();
}

TEST_F(SallowCli, ValuesComeFromADefaultsFormatFile)
{
    const std::string input = MakeInput("in.png", FileDepth::Eight);
    const std::string params = Path("values.ini");
    WriteText(params, "[Version=1.0]\nView=4\nColor 2.r=300\nEnable 2=1\n");
    CliRun run = Sallow("render " + input + " " + Path("out.png") + " --params " + params);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Contains(run.output, "values.ini:3: \"Color 2.r\" must lie between 0 and 255")) << run.output;

    WriteText(params, "[Version=1.0]\nView=4\nColor 2.r=30\nEnable 2=1\nBlur Amount=2.5\n");
    run = Sallow("render " + input + " " + Path("out.png") + " --params " + params);
    EXPECT_EQ(run.status, 0) << run.output;
}

}  // namespace
