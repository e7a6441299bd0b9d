// sallow never loses what a user owns: outputs appear whole or not at all,
// existing files keep what makes them theirs, and the input is never
// overwritten; the module survives a process that exits while it is loaded.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "ImageFile.h"
#include "Pixels.h"
#include "SallowRun.h"
#include "TempFolder.h"

namespace fs = std::filesystem;

namespace {

class SallowOutputSafety : public TempFolderTest {
protected:
    // A frame of noise, which compresses badly, so that outputs are large.
    std::string MakeInput(const std::string &name, A_long side = 96)
    {
        fxhost::World world(side, side, PF_PixelFormat_ARGB32);
        testpixels::FillPattern(world, 11);
        const std::string path = Path(name);
        WriteImage(path, world, FileDepth::Eight);
        return path;
    }
    bool NoTemporaryLeft() const
    {
        for (const auto &entry : fs::directory_iterator(folder_))
            if (entry.path().filename().string().rfind(".sallow-", 0) == 0) return false;
        return true;
    }
};

TEST_F(SallowOutputSafety, AFullDiskFailsLoudlyAndKeepsTheOldOutput)
{
    const std::string input = MakeInput("in.png");
    for (const char *name : {"out.png", "out.jpg", "out.tif", "out.exr", "out.bmp"}) {
        const std::string output = Path(name);
        WriteText(output, "the user's own file");
        SallowProcess sallow({"render", input, output, "--set", "Enable 1=off"}, 4096);
        EXPECT_EQ(sallow.wait(), 1) << name << ": " << sallow.output();
        EXPECT_TRUE(Contains(sallow.output(), "cannot write " + output + ": ")) << sallow.output();
        EXPECT_EQ(LineCount(sallow.output()), 1u) << sallow.output();
        EXPECT_EQ(ReadText(output), "the user's own file") << name;
        EXPECT_TRUE(NoTemporaryLeft()) << name;
    }
}

TEST_F(SallowOutputSafety, TheModuleSurvivesAProcessThatExitsWhileItIsLoaded)
{
    const std::string command = std::string(MODULE_EXIT_PROBE_PATH) + " " + SALLOW_MODULE_PATH;
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal";
    EXPECT_EQ(WEXITSTATUS(status), 7);
}

TEST_F(SallowOutputSafety, TheInputIsNeverTheOutput)
{
    const std::string input = MakeInput("in.png");
    const std::string before = ReadText(input);
    fs::create_symlink(input, Path("link.png"));
    fs::create_hard_link(input, Path("hard.png"));
    for (const std::string &output : {input, Path("link.png"), Path("hard.png"), Path("./in.png")}) {
        const CliRun run = Sallow("render " + input + " " + output);
        EXPECT_EQ(run.status, 2) << output << ": " << run.output;
        EXPECT_TRUE(Contains(run.output, "is the input file")) << run.output;
    }
    EXPECT_EQ(ReadText(input), before);
}

TEST_F(SallowOutputSafety, ExistingOutputsKeepModeGroupLinksAndProtection)
{
    const std::string input = MakeInput("in.png");

    // Mode and group survive a replacement.
    const std::string output = Path("out.png");
    WriteText(output, "old");
    ASSERT_EQ(chmod(output.c_str(), 0640), 0);
    ASSERT_EQ(chown(output.c_str(), static_cast<uid_t>(-1), 1), 0);
    ASSERT_EQ(Sallow("render " + input + " " + output).status, 0);
    struct stat replaced {};
    ASSERT_EQ(stat(output.c_str(), &replaced), 0);
    EXPECT_EQ(replaced.st_mode & 07777, 0640u);
    EXPECT_EQ(replaced.st_gid, 1u);
    EXPECT_NE(ReadText(output), "old");

    // A symbolic link stays a link; the file it names gets the image.
    const std::string target = Path("target.png"), link = Path("link.png");
    WriteText(target, "old");
    fs::create_symlink("target.png", link);
    ASSERT_EQ(Sallow("render " + input + " " + link).status, 0);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_NO_THROW(ReadImage(target, 0));

    // Every hard link sees the new image.
    const std::string first = Path("first.png"), second = Path("second.png");
    WriteText(first, "old");
    fs::create_hard_link(first, second);
    ASSERT_EQ(Sallow("render " + input + " " + first).status, 0);
    EXPECT_EQ(fs::hard_link_count(first), 2u);
    EXPECT_EQ(ReadText(second), ReadText(first));
    EXPECT_NO_THROW(ReadImage(second, 0));

    // A write-protected file is left alone, even for root.
    const std::string kept = Path("kept.png");
    WriteText(kept, "keep me");
    ASSERT_EQ(chmod(kept.c_str(), 0444), 0);
    CliRun run = Sallow("render " + input + " " + kept);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.output, "write-protected")) << run.output;
    EXPECT_EQ(ReadText(kept), "keep me");

    // --no-clobber never replaces; without it the help says outputs are replaced.
    run = Sallow("render --no-clobber " + input + " " + output);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.output, "exists; not replaced (--no-clobber)")) << run.output;
    EXPECT_TRUE(Contains(Sallow("render --help").output, "An existing OUTPUT is replaced"));
    EXPECT_TRUE(NoTemporaryLeft());
}

TEST_F(SallowOutputSafety, ASignalWhileTheOutputIsWrittenLeavesOldOrNewButNothingElse)
{
    const std::string input = MakeInput("in.png", 800);
    const std::string output = Path("out.png");
    int cancelled = 0;
    for (int delayMs : {0, 10, 80}) {
        for (int number : {SIGINT, SIGTERM}) {
            WriteText(output, "the user's own file");
            SallowProcess sallow({"render", input, output, "--progress", "--set", "Enable 1=off", "--set",
                                  "1 : Enable Process=off"});
            // The frame's line ends when the effect is done; encoding and
            // writing follow.
            ASSERT_TRUE(sallow.readUntil("effect ")) << sallow.output();
            usleep(static_cast<useconds_t>(delayMs * 1000));
            sallow.signal(number);
            const int status = sallow.wait();
            if (status == 0) {
                EXPECT_NO_THROW(ReadImage(output, 0)) << sallow.output();
            } else {
                EXPECT_EQ(status, 128 + number) << sallow.output();
                EXPECT_EQ(ReadText(output), "the user's own file");
                ++cancelled;
            }
            EXPECT_TRUE(NoTemporaryLeft()) << delayMs << " ms, signal " << number;
        }
    }
    EXPECT_GT(cancelled, 0);
}

}  // namespace
