// The Windows build computes the same bits as the native one: the shared
// frame rendered here at every depth has the checksums the native tests wrote.
#include "ParityFrame.h"
#include "WindowsModule.h"

namespace {

class RenderParity : public ModuleTest {};

TEST_F(RenderParity, EveryDepthMatchesTheNativeBuild)
{
    const std::map<int, uint64_t> native = parity::ReadChecksums(SALLOW_RENDER_CHECKSUMS);
    ASSERT_EQ(native.size(), 3u) << "no checksums in " << SALLOW_RENDER_CHECKSUMS
                                 << "; run the native tests first (cmake --workflow --preset default)";
    effect->apply();
    parity::SetControls(*effect);
    for (PF_PixelFormat format : parity::kFormats) {
        const int depth = parity::BitDepth(format);
        fxhost::CommandResult result;
        const fxhost::World output = parity::Render(*effect, format, result);
        ASSERT_EQ(result.err, PF_Err_NONE) << result.message();
        EXPECT_EQ(parity::FormatLine(depth, parity::Checksum(output)), parity::FormatLine(depth, native.at(depth)));
    }
}

}  // namespace
