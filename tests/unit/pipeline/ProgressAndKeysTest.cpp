#include <vector>

#include "HostFixture.h"
#include "pipeline/ColourKeys.h"
#include "pipeline/ProgressCounter.h"

namespace {

class ProgressAndKeysTest : public HostTest {};

TEST_F(ProgressAndKeysTest, ProgressReportsWholePercentsUpToAHundred)
{
    std::vector<A_long> reported;
    context.frame.frame.progress = [&](A_long current, A_long) { reported.push_back(current); };
    ProgressCounter counter{inData(), inData()->effect_ref, 3, 0};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(counter.Advance(), PF_Err_NONE);
    host.requestCancel();
    EXPECT_EQ(counter.Report(), PF_Interrupt_CANCEL);
    EXPECT_EQ(ProgressCounter({inData(), inData()->effect_ref, 0, 0}).Report(), PF_Err_NONE);
    EXPECT_EQ(ProgressCounter({nullptr, nullptr, 2, 0}).Advance(), PF_Err_NONE);
    EXPECT_EQ(reported, (std::vector<A_long>{33, 66, 100, 100, 100, 100}));
}

TEST_F(ProgressAndKeysTest, KeysHoldTheHostHlsAndTheScaledRange)
{
    ProcessParams base{};
    base.keys[0] = {0, {255, 0, 0, 0}, 1.0};
    base.keys[1] = {1, {255, 3, 180, 245}, 0.5};
    base.keys[3] = {1, {255, 0, 0, 0}, 1.0};
    KeyList keys, process;
    ASSERT_EQ(BuildBaseKeys(inData(), base, &keys), PF_Err_NONE);
    ASSERT_EQ(keys.size(), 2u);
    // (3, 180, 245): d = 242, s = 248; H = round(60 * 65536 * (4d + 3 - 180) / d),
    // L = round(65536 * s / 510), S = round(65536 * d / s).
    EXPECT_EQ(std::vector<A_long>({keys[0].hue, keys[0].lightness, keys[0].saturation, keys[0].tolerance}),
              std::vector<A_long>({12852639, 31868, 63950, 13952}));
    EXPECT_EQ(keys[1].tolerance, 27904);
    ASSERT_EQ(BuildProcessKeys(inData(), base, &process), PF_Err_NONE);
    EXPECT_EQ(process.size(), 1u);
    host.failNth(fxhost::Fault::RGBtoHLS, 2, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(BuildBaseKeys(inData(), base, &keys), PF_Err_INTERNAL_STRUCT_DAMAGED);
}

}  // namespace
