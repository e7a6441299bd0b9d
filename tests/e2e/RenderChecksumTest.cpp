// The shared frame rendered by this build at every depth: its checksums go to
// a file that the Windows tests compare their own renders with.
#include <filesystem>
#include <fstream>
#include <string>

#include "ModuleFixture.h"
#include "ParityFrame.h"

namespace {

// Writes through a temporary file renamed into place, so a reader never sees
// half a file.
void WriteWhole(const std::string &path, const std::string &text)
{
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        ASSERT_TRUE(out) << "cannot write " << temporary;
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    ASSERT_FALSE(error) << "cannot rename " << temporary << " to " << path << ": " << error.message();
}

class RenderChecksums : public ModuleTest {
protected:
    void SetUp() override
    {
        ModuleTest::SetUp();
        effect->apply();
        parity::SetControls(*effect);
    }

    fxhost::World Render(PF_PixelFormat format)
    {
        fxhost::CommandResult result;
        fxhost::World output = parity::Render(*effect, format, result);
        EXPECT_EQ(result.err, PF_Err_NONE) << result.message();
        return output;
    }
};

TEST_F(RenderChecksums, AreWrittenForEveryDepth)
{
    std::string text;
    for (PF_PixelFormat format : parity::kFormats) {
        const fxhost::World input = parity::Input(format);
        const fxhost::World output = Render(format);
        EXPECT_FALSE(output.samePixels(input)) << "the controls change the frame at " << parity::BitDepth(format);
        host.setThreadCount(1);
        EXPECT_TRUE(Render(format).samePixels(output)) << "one thread, depth " << parity::BitDepth(format);
        host.setThreadCount(3);
        text += parity::FormatLine(parity::BitDepth(format), parity::Checksum(output));
    }
    WriteWhole(SALLOW_RENDER_CHECKSUMS, text);
    EXPECT_EQ(parity::ReadChecksums(SALLOW_RENDER_CHECKSUMS).size(), 3u);
}

}  // namespace
