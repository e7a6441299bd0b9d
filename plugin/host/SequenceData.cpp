#include "SequenceData.h"

#include <cstring>

namespace {

void PutWord(uint8_t *out, uint32_t value)
{
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetWord(const uint8_t *in)
{
    return uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
}

}  // namespace

SequenceRecord SequenceRecord::Default() { return SequenceRecord{kMagic, 0, sizeof(SequenceRecord), kVersion, {}}; }

void SequenceRecord::Flatten(uint8_t out[kFlatSize]) const
{
    PutWord(out, magic);
    PutWord(out + 4, 1);
    PutWord(out + 8, version);
    PutWord(out + 12, size);
    std::memcpy(out + 16, reserved, sizeof reserved);
}

SequenceRecord SequenceRecord::Unflatten(const uint8_t *bytes, size_t length)
{
    if (length < kFlatSize) return Default();
    SequenceRecord record{};
    record.magic = GetWord(bytes);
    record.flat = GetWord(bytes + 4);
    record.version = GetWord(bytes + 8);
    record.size = GetWord(bytes + 12);
    std::memcpy(record.reserved, bytes + 16, sizeof record.reserved);
    if (record.magic != kMagic || record.version != kVersion) return Default();
    record.flat = 0;
    return record;
}
