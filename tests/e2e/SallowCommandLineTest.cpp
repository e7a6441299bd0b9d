// The sallow command line: help, version, option forms, exit statuses and the
// one-line report of a mistake.
#include <filesystem>
#include <string>

#include "ImageFile.h"
#include "Pixels.h"
#include "SallowRun.h"
#include "TempFolder.h"

namespace {

class SallowCommandLine : public TempFolderTest {
protected:
    std::string MakeInput(const std::string &name)
    {
        fxhost::World world(11, 7, PF_PixelFormat_ARGB32);
        testpixels::FillPattern(world, 3);
        const std::string path = Path(name);
        WriteImage(path, world, FileDepth::Eight);
        return path;
    }
};

TEST_F(SallowCommandLine, EachCommandHasItsOwnHelp)
{
    const CliRun flag = Sallow("render --help");
    EXPECT_EQ(flag.status, 0);
    EXPECT_TRUE(Contains(flag.output, "Usage: sallow render")) << flag.output;
    EXPECT_TRUE(Contains(flag.output, "--no-clobber")) << flag.output;
    EXPECT_TRUE(Contains(flag.output, "130 cancelled")) << flag.output;
    const CliRun word = Sallow("help render");
    EXPECT_EQ(word.status, 0);
    EXPECT_EQ(word.output, flag.output);

    const CliRun top = Sallow("--help");
    EXPECT_EQ(top.status, 0);
    for (const char *command : {"info", "params", "render", "sample", "help"})
        EXPECT_TRUE(Contains(top.output, command)) << command;
    EXPECT_TRUE(Contains(top.output, "2 a mistake on the command line")) << top.output;

    const CliRun version = Sallow("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, "sallow 1.0.2\n");
}

TEST_F(SallowCommandLine, OptionFormsAndTheEndOfOptions)
{
    const std::string input = MakeInput("in.png");
    // A file whose name starts with a dash is reached after "--".
    const std::string dashed = "-out.png";
    const CliRun run = Sallow("render --threads=0 --depth=16 --set=\"View=Normal\" --quiet -- " + input + " " +
                              dashed);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, "");
    EXPECT_TRUE(std::filesystem::exists(dashed));
    std::filesystem::remove(dashed);
}

TEST_F(SallowCommandLine, ProgressInAPipeIsOnePlainLinePerFrame)
{
    const std::string input = MakeInput("in.png");
    const CliRun run = Sallow("render --progress " + input + " " + Path("out.png"));
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output.find('\r'), std::string::npos) << run.output;
    EXPECT_EQ(LineCount(run.output), 2u) << run.output;
    EXPECT_TRUE(Contains(run.output, input + " 11x7 8-bit: read ")) << run.output;
    EXPECT_TRUE(Contains(run.output, Path("out.png") + ": ")) << run.output;
    EXPECT_EQ(Sallow("render " + input + " " + Path("out.png")).output, "");
}

TEST_F(SallowCommandLine, MistakesGiveOneLineAHintAndStatusTwo)
{
    const std::string input = MakeInput("in.png");
    const std::string output = Path("out.png");
    struct Case {
        std::string arguments;
        std::string message;
    };
    const Case cases[] = {
        {"", "A subcommand is required"},
        {"info --depth 8", "not expected"},
        {"sample " + output + " --threads 2", "not expected"},
        {"render " + input + " " + output + " --depth 7", "--depth: takes 8, 16 or 32, not \"7\""},
        {"render " + input + " " + output + " --threads -1", "--threads: takes a whole number from 0 to 256"},
        {"render " + input + " " + output + " --downsample 0", "--downsample: takes a whole number from 1 to 64"},
        {"render " + input + " " + output + " --params " + Path("none.ini"), "--params"},
        {"render " + input + " " + output + " --quiet --progress", "excludes"},
        {"render " + input, "OUTPUT is required"},
        {"help nothing", "no command named \"nothing\""},
    };
    for (const Case &c : cases) {
        const CliRun run = Sallow(c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments << "\n" << run.output;
        EXPECT_TRUE(Contains(run.output, c.message)) << c.arguments << "\n" << run.output;
        EXPECT_EQ(LineCount(run.output), 2u) << run.output;
        EXPECT_TRUE(Contains(run.output, "--help' for the options.")) << run.output;
    }
    EXPECT_FALSE(std::filesystem::exists(output));
}

}  // namespace
