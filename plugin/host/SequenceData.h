// The effect's per-instance sequence data and its flattened form in projects.
#pragma once

#include <cstddef>
#include <cstdint>

struct SequenceRecord {
    uint32_t magic;
    uint32_t flat;
    uint32_t size;
    uint32_t version;
    uint8_t reserved[8];

    static constexpr uint32_t kMagic = 0x70736571;  // the bytes "qesp" in memory
    static constexpr uint32_t kVersion = 1;
    static constexpr size_t kFlatSize = 24;

    static SequenceRecord Default();

    // The flattened layout: magic, marker 1, version, size, reserved bytes,
    // each word little-endian.
    void Flatten(uint8_t out[kFlatSize]) const;

    // Rebuilds a record from flattened bytes; anything too short, with another
    // magic or another version gives the default record.
    static SequenceRecord Unflatten(const uint8_t *bytes, size_t length);
};
static_assert(sizeof(SequenceRecord) == 24, "the sequence record is 24 bytes");
