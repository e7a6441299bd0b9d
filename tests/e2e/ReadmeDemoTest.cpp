// The README's command for the bundled sample shows the effect: the frame
// it renders differs from the sample, and the picture it shows exists.
#include <filesystem>
#include <string>

#include "ImageFile.h"
#include "SallowRun.h"
#include "TempFolder.h"

namespace {

class ReadmeDemo : public TempFolderTest {};

TEST_F(ReadmeDemo, TheDocumentedCommandChangesTheSample)
{
    const std::string readme = ReadText(std::string(SALLOW_SOURCE_DIR) + "/README.md");
    const std::string command = "build/default/bin/sallow render samples/cel-frame.png cel-frame-rendered.png";
    const size_t at = readme.find(command);
    ASSERT_NE(at, std::string::npos) << "the README no longer renders the sample";
    const size_t end = readme.find('\n', at);
    const std::string options = readme.substr(at + command.size(), end - at - command.size());

    const std::string sample = std::string(SALLOW_SOURCE_DIR) + "/samples/cel-frame.png";
    const std::string output = Path("rendered.png");
    const CliRun run = Sallow("render " + sample + " " + output + options);
    ASSERT_EQ(run.status, 0) << options << "\n" << run.output;

    const LoadedImage before = ReadImage(sample, 0);
    const LoadedImage after = ReadImage(output, 0);
    long changed = 0;
    for (A_long y = 0; y < before.world->height(); ++y)
        for (A_long x = 0; x < before.world->width(); ++x) {
            const PF_Pixel8 &a = before.world->at<PF_Pixel8>(x, y), &b = after.world->at<PF_Pixel8>(x, y);
            changed += a.red != b.red || a.green != b.green || a.blue != b.blue || a.alpha != b.alpha;
        }
    EXPECT_GE(changed, 1000) << "of " << before.world->width() * before.world->height() << " pixels";

    EXPECT_NE(readme.find("(docs/before-after.png)"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(std::string(SALLOW_SOURCE_DIR) + "/docs/before-after.png"));
}

// The three lines of "Render a shot", run in a folder with a shot of three
// frames of the sample.
TEST_F(ReadmeDemo, TheShotExampleRendersEveryFrame)
{
    const std::string readme = ReadText(std::string(SALLOW_SOURCE_DIR) + "/README.md");
    const size_t section = readme.find("## Render a shot");
    ASSERT_NE(section, std::string::npos);
    const size_t begin = readme.find("```sh\n", section) + 6;
    const std::string block = readme.substr(begin, readme.find("```", begin) - begin);
    EXPECT_EQ(LineCount(block), 3u) << block;

    std::filesystem::create_directory(Path("shot"));
    for (const char *frame : {"0001", "0002", "0003"})
        std::filesystem::copy_file(std::string(SALLOW_SOURCE_DIR) + "/samples/cel-frame.png",
                                   Path(std::string("shot/cel.") + frame + ".png"));
    size_t start = 0;
    for (size_t end; (end = block.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = block.substr(start, end - start);
        ASSERT_EQ(line.rfind("sallow ", 0), 0u) << line;
        const CliRun run = Sallow(line.substr(7) + " --no-user-defaults", folder_);
        ASSERT_EQ(run.status, 0) << line << "\n" << run.output;
    }
    for (const char *frame : {"0001", "0002", "0003"})
        EXPECT_TRUE(std::filesystem::exists(Path(std::string("shot/blur.") + frame + ".exr"))) << frame;
    EXPECT_NE(readme.find("(docs/contact-sheet.png)"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(std::string(SALLOW_SOURCE_DIR) + "/docs/contact-sheet.png"));
}

}  // namespace
