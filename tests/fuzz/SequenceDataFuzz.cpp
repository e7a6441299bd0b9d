// Flattened sequence data of any length and content, as a project file may
// carry it, handed to the effect's resetup: the record is taken when it is
// the effect's own, else a default record is made; resetup succeeds either
// way and the host ends up holding exactly the rebuilt record.
#include "FuzzSession.h"

namespace {

uint32_t Word(const uint8_t *bytes)
{
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

void PutWord(std::vector<uint8_t> &out, uint32_t value)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

constexpr uint32_t kMagic = 0x70736571;
constexpr size_t kFlatSize = 24;

// The unflattened record the effect must rebuild from `flat`.
std::vector<uint8_t> ExpectedRecord(const uint8_t *flat, size_t size)
{
    const bool ours = size >= kFlatSize && Word(flat) == kMagic && Word(flat + 8) == 1;
    std::vector<uint8_t> record;
    PutWord(record, kMagic);
    PutWord(record, 0);
    PutWord(record, ours ? Word(flat + 12) : kFlatSize);
    PutWord(record, 1);
    for (size_t i = 0; i < 8; ++i) record.push_back(ours ? flat[16 + i] : 0);
    return record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Session &session = fuzz::Applied();
    fxhost::Effect &effect = session.effect;
    effect.send(PF_Cmd_SEQUENCE_SETDOWN);
    PF_Handle flat = session.host.newHandle(size);
    if (size > 0) std::memcpy(*flat, data, size);
    effect.setSequenceData(flat);

    const fxhost::CommandResult result = effect.send(PF_Cmd_SEQUENCE_RESETUP);
    fuzz::Check(result.err == PF_Err_NONE, "resetup failed with " + std::to_string(result.err));
    fuzz::Check(effect.sequenceData() != flat, "resetup kept the flat handle as the record");
    fuzz::Check(session.host.handleBytes(effect.sequenceData()) == ExpectedRecord(data, size),
                "the rebuilt record is not the one the flat data calls for");
    const fxhost::Accounting accounting = session.host.accounting();
    fuzz::Check(accounting.handles == 1 && accounting.badReleases == 0,
                "after resetup the host holds " + accounting.describe());
    return 0;
}
