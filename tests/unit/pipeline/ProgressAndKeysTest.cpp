#include <vector>

#include "HostFixture.h"
#include "pipeline/ColourKeys.h"
#include "pipeline/ProgressCounter.h"

namespace {

class ProgressCounterTest : public HostTest {
protected:
    void SetUp() override
    {
        context.frame.frame.progress = [this](A_long current, A_long total) {
            reported.push_back(current);
            EXPECT_EQ(total, 100);
        };
    }
    ProgressCounter Counter(A_long total) { return ProgressCounter{inData(), inData()->effect_ref, total, 0}; }

    std::vector<A_long> reported;
};

TEST_F(ProgressCounterTest, AdvanceReportsWholePercentsCappedAtAHundred)
{
    ProgressCounter counter = Counter(3);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(counter.Advance(), PF_Err_NONE);
    EXPECT_EQ(reported, (std::vector<A_long>{33, 66, 100, 100}));

    ProgressCounter empty = Counter(0);
    EXPECT_EQ(empty.Report(), PF_Err_NONE);
    EXPECT_EQ(reported.back(), 100);
}

TEST_F(ProgressCounterTest, ReportKeepsThePositionAndPassesACancelOn)
{
    ProgressCounter counter = Counter(4);
    counter.Advance();
    host.requestCancel();
    EXPECT_EQ(counter.Report(), PF_Interrupt_CANCEL);
    EXPECT_EQ(counter.done, 1);
    EXPECT_EQ(reported, (std::vector<A_long>{25, 25}));
}

TEST_F(ProgressCounterTest, WithoutInDataNothingIsReported)
{
    ProgressCounter counter{nullptr, nullptr, 2, 0};
    EXPECT_EQ(counter.Advance(), PF_Err_NONE);
    EXPECT_EQ(host.progressCalls(), 0);
}

class ColourKeysTest : public HostTest {};

TEST_F(ColourKeysTest, KeyHoldsTheHostHlsAndTheScaledRange)
{
    // (3, 180, 245): max 245, min 3, d 242, s 248; L = round(65536 * 248 / 510),
    // S = round(65536 * 242 / 248), H = round(60 * 65536 * (4 * 242 + 3 - 180) / 242).
    ColourKey key;
    ASSERT_EQ(MakeColourKey(inData(), PF_Pixel{255, 3, 180, 245}, 0.5, &key), PF_Err_NONE);
    EXPECT_EQ(key.hue, 12852639);
    EXPECT_EQ(key.lightness, 31868);
    EXPECT_EQ(key.saturation, 63950);
    EXPECT_EQ(key.tolerance, 13952);
    ASSERT_EQ(MakeColourKey(inData(), PF_Pixel{255, 3, 180, 245}, 1.0, &key), PF_Err_NONE);
    EXPECT_EQ(key.tolerance, 27904);
}

TEST_F(ColourKeysTest, BaseKeysFollowTheEnableBoxesInOrder)
{
    ProcessParams base{};
    base.keys[0] = {0, {255, 0, 0, 0}, 1.0};
    base.keys[1] = {1, {255, 255, 255, 255}, 0.0};
    base.keys[3] = {1, {255, 0, 0, 0}, 0.25};
    KeyList keys;
    ASSERT_EQ(BuildBaseKeys(inData(), base, &keys), PF_Err_NONE);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].lightness, 65536);
    EXPECT_EQ(keys[1].lightness, 0);
    EXPECT_EQ(keys[1].tolerance, 6976);

    KeyList process;
    ASSERT_EQ(BuildProcessKeys(inData(), base, &process), PF_Err_NONE);
    EXPECT_EQ(process.size(), 1u);

    host.failNth(fxhost::Fault::RGBtoHLS, 2, PF_Err_INTERNAL_STRUCT_DAMAGED);
    KeyList failed;
    EXPECT_EQ(BuildBaseKeys(inData(), base, &failed), PF_Err_INTERNAL_STRUCT_DAMAGED);
}

}  // namespace
