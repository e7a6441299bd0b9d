// sallow defaults save, restore and show, and how stored defaults reach
// sallow render and sallow params.
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include "ImageFile.h"
#include "Pixels.h"
#include "TempFolder.h"

namespace {

namespace fs = std::filesystem;

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

bool Contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

class SallowDefaults : public TempFolderTest {
protected:
    void SetUp() override
    {
        config = Path("config");
        fs::create_directories(config);
        ini = config + "/KORVA/Tavix/K_Sallowmerine.ini";
    }

    // sallow with this test's application-data folder.
    CliRun Sallow(const std::string &arguments)
    {
        const std::string errors = Path("stderr.txt");
        const std::string command = "XDG_CONFIG_HOME='" + config + "' " + SALLOW_CLI_PATH + " " + arguments +
                                    " 2>'" + errors + "'";
        CliRun run{-1, "", ""};
        FILE *pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) return run;
        char buffer[4096];
        size_t read;
        while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, read);
        const int status = pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.err = ReadText(errors);
        return run;
    }

    // The row of `sallow params` for the control with this name.
    static std::string Row(const std::string &table, const std::string &name)
    {
        std::istringstream lines(table);
        for (std::string line; std::getline(lines, line);) {
            if (line.size() < 36) continue;
            std::string column = line.substr(13, 22);
            column.erase(column.find_last_not_of(' ') + 1);
            if (column == name) return line;
        }
        return "";
    }

    std::string config;
    std::string ini;
};

TEST_F(SallowDefaults, SavedDefaultsReachParamsShowAndRender)
{
    CliRun run = Sallow("defaults show");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(Contains(run.out, "no stored defaults (" + ini + ")")) << run.out;

    const std::string values = " --set \"Blur Amount=25\" --set \"View=Extract\" --set \"2 : Enable Process=on\"";
    run = Sallow("defaults save" + values);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, ini)) << run.out;
    EXPECT_TRUE(Contains(ReadText(ini), "Blur Amount=25.000000"));

    run = Sallow("params");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.err, ini)) << run.err;
    EXPECT_TRUE(Contains(Row(run.out, "Blur Amount"), " 25.0 "));
    EXPECT_TRUE(Contains(Row(run.out, "View"), "3 (of 8)"));
    EXPECT_TRUE(Contains(Row(run.out, "2 : Color"), " enabled "));

    run = Sallow("params --no-user-defaults");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(Contains(Row(run.out, "Blur Amount"), " 10.0 "));
    EXPECT_TRUE(Contains(Row(run.out, "2 : Color"), " disabled "));

    run = Sallow("defaults show");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "* Blur Amount            25.000000   (built-in 10.000000)")) << run.out;
    EXPECT_TRUE(Contains(run.out, "* View                   3   (built-in 1)")) << run.out;
    EXPECT_TRUE(Contains(run.out, "  Blur Repeat Num        5\n")) << run.out;
    EXPECT_TRUE(Contains(run.out, "  Color 1                3,180,245\n")) << run.out;

    // The stored defaults change the frame; leaving them aside gives the
    // built-in frame, which the same values given by hand reproduce.
    fxhost::World frame(13, 9, PF_PixelFormat_ARGB32);
    testpixels::FillPattern(frame, 3);
    WriteImage(Path("in.png"), frame, FileDepth::Eight);
    const std::string in = Path("in.png") + " ";
    ASSERT_EQ(Sallow("render " + in + Path("stored.png")).status, 0);
    ASSERT_EQ(Sallow("render " + in + Path("builtin.png") + " --no-user-defaults").status, 0);
    ASSERT_EQ(Sallow("render " + in + Path("byhand.png") + " --no-user-defaults" + values).status, 0);
    const LoadedImage stored = ReadImage(Path("stored.png"), 0);
    EXPECT_FALSE(stored.world->samePixels(*ReadImage(Path("builtin.png"), 0).world));
    EXPECT_TRUE(stored.world->samePixels(*ReadImage(Path("byhand.png"), 0).world));
}

TEST_F(SallowDefaults, RestoreRemovesTheFileAndItsFolders)
{
    ASSERT_EQ(Sallow("defaults save").status, 0);
    ASSERT_TRUE(fs::exists(ini));
    CliRun run = Sallow("defaults restore");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "removed the stored defaults " + ini)) << run.out;
    EXPECT_FALSE(fs::exists(config + "/KORVA"));
    EXPECT_TRUE(fs::exists(config));

    run = Sallow("defaults restore");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(Contains(run.out, "no stored defaults to remove")) << run.out;
}

TEST_F(SallowDefaults, AMalformedFileIsNamedLeftAsideAndKeptUntilSaved)
{
    fs::create_directories(config + "/KORVA/Tavix");
    const std::string text = "[Version=1.0]\nBlur Repeat Num=7\nBlur Amount=abc\n";
    WriteText(ini, text);

    CliRun run = Sallow("params");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.err, ini + ":3: \"Blur Amount\" takes a number, not \"abc\"")) << run.err;
    EXPECT_TRUE(Contains(run.err, "built-in defaults")) << run.err;
    // Every control takes its built-in default, the well-formed entries too.
    EXPECT_TRUE(Contains(Row(run.out, "Blur Amount"), " 10.0 "));
    EXPECT_TRUE(Contains(Row(run.out, "Blur Repeat Num"), " 5 "));

    run = Sallow("defaults show");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.out, "* Blur Amount            abc   (built-in 10.000000)")) << run.out;
    EXPECT_TRUE(Contains(run.err, ":3: \"Blur Amount\"")) << run.err;

    fxhost::World frame(5, 4, PF_PixelFormat_ARGB32);
    testpixels::FillPattern(frame, 5);
    WriteImage(Path("in.png"), frame, FileDepth::Eight);
    run = Sallow("render " + Path("in.png") + " " + Path("out.png"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.err, "leaving the stored defaults aside")) << run.err;
    EXPECT_EQ(ReadText(ini), text);

    run = Sallow("defaults save --set \"Blur Amount=2\"");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(ReadText(ini), "Blur Amount=2.000000"));
    EXPECT_TRUE(Contains(ReadText(ini), "Blur Repeat Num=5"));
    EXPECT_EQ(Sallow("defaults show").status, 0);
}

TEST_F(SallowDefaults, AFailedStoreFailsTheCommandAndChangesNothing)
{
    fs::create_directories(config + "/KORVA");
    WriteText(config + "/KORVA/Tavix", "a file where the folder belongs");
    const CliRun run = Sallow("defaults save --set \"Blur Amount=3\"");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, "The default values could not be stored.")) << run.err;
    EXPECT_EQ(ReadText(config + "/KORVA/Tavix"), "a file where the folder belongs");

    const CliRun usage = Sallow("defaults forget");
    EXPECT_EQ(usage.status, 2);
}

}  // namespace
