// PiPL resources as Windows stores them: a header (16-bit version, 32-bit
// reserved, 32-bit property count), then properties of vendor and key
// (four-character codes, byte-reversed), 32-bit id, 32-bit length and the
// value padded to 4 bytes. Little-endian throughout.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace pipl {

using Bytes = std::vector<uint8_t>;

inline void PadTo4(Bytes &bytes)
{
    while (bytes.size() % 4 != 0) bytes.push_back(0);
}

inline Bytes Short(uint16_t value) { return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)}; }

inline Bytes Long(uint32_t value)
{
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 24)};
}

// A four-character code as Windows PiPLs store it: last character first.
inline Bytes Code(const char (&code)[5]) { return {uint8_t(code[3]), uint8_t(code[2]), uint8_t(code[1]), uint8_t(code[0])}; }

// A length byte and the text, NUL-padded to 4 bytes.
inline Bytes Pascal(const char *text)
{
    Bytes bytes{static_cast<uint8_t>(std::strlen(text))};
    for (const char *c = text; *c != '\0'; ++c) bytes.push_back(static_cast<uint8_t>(*c));
    PadTo4(bytes);
    return bytes;
}

// The text and its NUL, padded to 4 bytes.
inline Bytes Text(const char *text)
{
    Bytes bytes;
    for (const char *c = text; *c != '\0'; ++c) bytes.push_back(static_cast<uint8_t>(*c));
    bytes.push_back(0);
    PadTo4(bytes);
    return bytes;
}

inline void Append(Bytes &to, std::initializer_list<Bytes> parts)
{
    for (const Bytes &part : parts) to.insert(to.end(), part.begin(), part.end());
}

class Builder {
public:
    // A property of vendor '8BIM'; the length is the value's own, the padding
    // follows it.
    Builder &add(const char (&key)[5], const Bytes &value)
    {
        Append(properties_, {Code("8BIM"), Code(key), Long(0), Long(static_cast<uint32_t>(value.size())), value});
        PadTo4(properties_);
        ++count_;
        return *this;
    }

    Bytes bytes() const
    {
        Bytes pipl;
        Append(pipl, {Short(1), Long(0), Long(count_), properties_});
        return pipl;
    }

private:
    Bytes properties_;
    uint32_t count_ = 0;
};

// The values of a PiPL by key (codes in reading order: "eGLO"); empty when
// the bytes do not parse.
inline std::map<std::string, Bytes> Properties(const Bytes &pipl)
{
    std::map<std::string, Bytes> properties;
    auto u32 = [&pipl](size_t at) {
        uint32_t value;
        std::memcpy(&value, &pipl[at], 4);
        return value;
    };
    if (pipl.size() < 10) return {};
    const uint32_t count = u32(6);
    size_t at = 10;
    for (uint32_t i = 0; i < count; ++i) {
        if (at + 16 > pipl.size()) return {};
        const std::string key{char(pipl[at + 7]), char(pipl[at + 6]), char(pipl[at + 5]), char(pipl[at + 4])};
        const uint32_t length = u32(at + 12);
        if (length > pipl.size() - at - 16) return {};
        properties[key] = Bytes(pipl.begin() + at + 16, pipl.begin() + at + 16 + length);
        at += 16 + (length + 3) / 4 * 4;
    }
    return properties;
}

inline uint32_t LongValue(const Bytes &value)
{
    uint32_t result = 0;
    if (value.size() == 4) std::memcpy(&result, value.data(), 4);
    return result;
}

}  // namespace pipl
