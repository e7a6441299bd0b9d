// The sequence data life cycle: setup, flatten into the project, rebuild.
#include <cstring>
#include <vector>

#include "ModuleFixture.h"

namespace {

const std::vector<uint8_t> kFlatRecord = {0x71, 0x65, 0x73, 0x70, 1, 0, 0, 0, 1, 0, 0, 0, 24, 0, 0, 0,
                                          0,    0,    0,    0,    0, 0, 0, 0};
const std::vector<uint8_t> kDefaultRecord = {0x71, 0x65, 0x73, 0x70, 0, 0, 0, 0, 24, 0, 0, 0, 1, 0, 0, 0,
                                             0,    0,    0,    0,    0, 0, 0, 0};

class SequenceData : public ModuleTest {
protected:
    void SetUp() override
    {
        ModuleTest::SetUp();
        effect->apply();
    }

    // Hands the effect a flat blob as the host would after opening a project.
    fxhost::CommandResult ResetupFrom(const std::vector<uint8_t> &bytes)
    {
        effect->send(PF_Cmd_SEQUENCE_SETDOWN);
        PF_Handle flat = host.newHandle(bytes.size());
        std::memcpy(*flat, bytes.data(), bytes.size());
        effect->setSequenceData(flat);
        return effect->send(PF_Cmd_SEQUENCE_RESETUP);
    }

    std::vector<uint8_t> Current() { return host.handleBytes(effect->sequenceData()); }
};

TEST_F(SequenceData, SetupMakesTheDefaultRecord) { EXPECT_EQ(Current(), kDefaultRecord); }

TEST_F(SequenceData, FlattenWritesTheProjectBytes)
{
    EXPECT_EQ(effect->send(PF_Cmd_SEQUENCE_FLATTEN).err, PF_Err_NONE);
    EXPECT_EQ(Current(), kFlatRecord);
}

TEST_F(SequenceData, SaveAndReopenRestoresTheRecord)
{
    EXPECT_EQ(effect->saveAndReopen().err, PF_Err_NONE);
    EXPECT_EQ(Current(), kDefaultRecord);
}

TEST_F(SequenceData, ReservedBytesSurviveTheRoundTrip)
{
    std::vector<uint8_t> flat = kFlatRecord;
    for (int i = 0; i < 8; ++i) flat[16 + i] = static_cast<uint8_t>(i + 1);
    ASSERT_EQ(ResetupFrom(flat).err, PF_Err_NONE);
    std::vector<uint8_t> expected = kDefaultRecord;
    for (int i = 0; i < 8; ++i) expected[16 + i] = static_cast<uint8_t>(i + 1);
    EXPECT_EQ(Current(), expected);
}

TEST_F(SequenceData, DamagedBlobsGiveAFreshRecord)
{
    std::vector<uint8_t> shortBlob(kFlatRecord.begin(), kFlatRecord.begin() + 20);
    std::vector<uint8_t> wrongMagic = kFlatRecord;
    wrongMagic[0] = 0;
    std::vector<uint8_t> version2 = kFlatRecord;
    version2[8] = 2;
    for (const auto &blob : {shortBlob, wrongMagic, version2}) {
        EXPECT_EQ(ResetupFrom(blob).err, PF_Err_NONE);
        EXPECT_EQ(Current(), kDefaultRecord);
    }
}

TEST_F(SequenceData, AResetupThatCannotFillItsNewRecordLeavesNothingBehind)
{
    effect->send(PF_Cmd_SEQUENCE_SETDOWN);
    PF_Handle flat = host.newHandle(kFlatRecord.size());
    std::memcpy(*flat, kFlatRecord.data(), kFlatRecord.size());
    effect->setSequenceData(flat);
    // The check, the flat data, the new record as it is made, then the new
    // record again to fill it.
    host.failNth(fxhost::Fault::HandleLock, 4);
    EXPECT_EQ(effect->send(PF_Cmd_SEQUENCE_RESETUP).err, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(effect->sequenceData(), flat);
    EXPECT_EQ(host.accounting().handles, 1);
}

TEST_F(SequenceData, HandleFailuresAreReported)
{
    host.failNth(fxhost::Fault::HandleAllocation, 1);
    EXPECT_EQ(effect->send(PF_Cmd_SEQUENCE_FLATTEN).err, PF_Err_OUT_OF_MEMORY);
    host.failNth(fxhost::Fault::HandleLock, 2);
    EXPECT_EQ(effect->send(PF_Cmd_SEQUENCE_FLATTEN).err, PF_Err_INTERNAL_STRUCT_DAMAGED);
    effect->send(PF_Cmd_SEQUENCE_SETDOWN);
    host.failNth(fxhost::Fault::HandleLock, 1);
    EXPECT_EQ(effect->send(PF_Cmd_SEQUENCE_SETUP).err, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(effect->sequenceData(), nullptr);
}

}  // namespace
