// sallow checks the whole command line before it reads an image, and its
// messages name the cause once, in the user's own terms.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "ImageFile.h"
#include "Pixels.h"
#include "SallowRun.h"
#include "TempFolder.h"

namespace {

// The CRC of a PNG chunk.
uint32_t Crc(const std::string &bytes)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string BigEndian(uint32_t value)
{
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

class SallowMessages : public TempFolderTest {
protected:
    std::string MakeInput(const std::string &name)
    {
        fxhost::World world(9, 5, PF_PixelFormat_ARGB32);
        testpixels::FillPattern(world, 5);
        const std::string path = Path(name);
        WriteImage(path, world, FileDepth::Eight);
        return path;
    }
    // A PNG that declares a huge frame and ends after its header.
    std::string MakeTruncatedPng(const std::string &name, uint32_t width, uint32_t height)
    {
        const std::string header = "IHDR" + BigEndian(width) + BigEndian(height) + std::string("\x08\x06\x00\x00\x00", 5);
        const std::string path = Path(name);
        WriteText(path, std::string("\x89PNG\r\n\x1a\n", 8) + BigEndian(13) + header + BigEndian(Crc(header)) +
                            BigEndian(1 << 20) + "IDAT" + std::string(600, '\0'));
        return path;
    }
};

TEST_F(SallowMessages, TheCommandLineIsCheckedBeforeAnyPixelIsRead)
{
    // Each of these would otherwise first read a frame that does not fit in memory.
    const std::string huge = MakeTruncatedPng("huge.png", 30000, 30000);
    const std::string output = Path("out.png");
    struct Case {
        std::string arguments;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {"render " + huge + " " + Path("o.xyz"), 2, "\".xyz\" names no image format sallow writes"},
        {"render " + huge + " " + Path("noext"), 2, "no extension names no image format"},
        {"render " + huge + " " + output + " --set \"Blur Amout=3\"", 2, "did you mean \"Blur Amount\"?"},
        {"render " + huge + " " + output + " --set \"Blur Amount=-1\"", 2, "must lie between 0 and 1000"},
        {"render " + huge + " " + Path("missing/out.png"), 1, "cannot write " + Path("missing/out.png") + ": folder"},
        {"render " + huge + " " + output, 1, "30000x30000 pixels; rendering it needs about"},
    };
    for (const Case &c : cases) {
        const CliRun run = Sallow(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.output;
        EXPECT_TRUE(Contains(run.output, c.message)) << c.arguments << "\n" << run.output;
        EXPECT_FALSE(Contains(run.output, "bad_alloc")) << run.output;
    }
    EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(SallowMessages, FailuresNameTheCauseOnce)
{
    const std::string input = MakeInput("in.png");
    std::filesystem::create_directory(Path("adir.png"));
    WriteText(Path("short.ppm"), "P6\n64 64\n255\nabc");
    WriteText(Path("text.png"), "not an image at all");
    struct Case {
        std::string arguments;
        std::string message;
    };
    const Case cases[] = {
        {"render " + input + " " + Path("adir.png"), "cannot write " + Path("adir.png") + ": it is a folder"},
        {"render " + Path("short.ppm") + " " + Path("o.png"), "cannot read " + Path("short.ppm") + ": "},
        {"render " + Path("text.png") + " " + Path("o.png"), "cannot read " + Path("text.png") + ": "},
        {"render " + Path("nothing.png") + " " + Path("o.png"), "cannot read " + Path("nothing.png") + ": no such file"},
        {"render " + Path("adir.png") + " " + Path("o.png"), "cannot read " + Path("adir.png") + ": it is a folder"},
    };
    for (const Case &c : cases) {
        const CliRun run = Sallow(c.arguments);
        EXPECT_EQ(run.status, 1) << c.arguments << "\n" << run.output;
        EXPECT_TRUE(Contains(run.output, c.message)) << run.output;
        // One line, with a reason after the colon, and no hidden temporary named.
        EXPECT_EQ(LineCount(run.output), 1u) << run.output;
        EXPECT_GT(run.output.size(), c.message.size() + 2) << run.output;
        EXPECT_FALSE(Contains(run.output, ".sallow-")) << run.output;
    }
}

TEST_F(SallowMessages, ControlsAreNamedInAnyCaseAndPopupsListTheirItems)
{
    const std::string input = MakeInput("in.png");
    const std::string output = Path("out.png");
    EXPECT_EQ(Sallow("render " + input + " " + output + " --set \"blur amount=3\" --set \"view=extract\"").status, 0);

    const std::string items = "1 \"Normal\", 3 \"Extract\", 4 \"Base\", 5 \"Process 1\", 6 \"Process 2\", "
                              "7 \"Process 3\", 8 \"Process 4\"";
    struct Case {
        std::string setting;
        std::string message;
    };
    const Case cases[] = {
        {"View=2", "\"View\" takes one of " + items + ", not \"2\""},
        {"View=2.5", "not \"2.5\""},
        {"View=Sideways", "not \"Sideways\""},
        {"=3", "needs a name before the \"=\""},
        {"Base=1", "\"Base\" is a group of controls, not a control"},
        {"Enable 2=maybe", "\"Enable 2\" is a checkbox: on or off (1 or 0), not \"maybe\""},
    };
    for (const Case &c : cases) {
        const CliRun run = Sallow("render " + input + " " + output + " --set \"" + c.setting + "\"");
        EXPECT_EQ(run.status, 2) << c.setting << "\n" << run.output;
        EXPECT_TRUE(Contains(run.output, c.message)) << run.output;
    }
    EXPECT_TRUE(Contains(Sallow("params").output, "items: " + items));
}

TEST_F(SallowMessages, ParamsFilesRefuseValuesACheckboxCannotTake)
{
    const std::string input = MakeInput("in.png");
    const std::string params = Path("values.ini");
    for (const char *value : {"256", "0.5", "1e300", "-1"}) {
        WriteText(params, std::string("[Version=1.0]\nEnable 2=") + value + "\n");
        const CliRun run = Sallow("render " + input + " " + Path("out.png") + " --params " + params);
        EXPECT_EQ(run.status, 2) << value;
        EXPECT_TRUE(Contains(run.output, "values.ini:2: \"Enable 2\" is a checkbox")) << run.output;
    }
    WriteText(params, "[Version=1.0]\nEnable 2=1\nColor 2.r=10\nColor 2.g=20\nColor 2.b=30\nView=3\n");
    EXPECT_EQ(Sallow("render " + input + " " + Path("out.png") + " --params " + params).status, 0);
}

}  // namespace
