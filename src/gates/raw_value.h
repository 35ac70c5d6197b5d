// The host's raw form of a gate's value: 4 bytes. Analog 16 unsigned and
// digital values are an unsigned 16-bit little-endian number in bytes 2-3;
// float values are an IEEE 754 single in all four bytes.
#pragma once

#include <cstdint>

struct RawValue {
    uint8_t bytes[4];
};

static_assert(sizeof(RawValue) == 4);

inline uint16_t RawWord(const RawValue& raw) {
    return static_cast<uint16_t>(raw.bytes[2] | (raw.bytes[3] << 8));
}

inline void SetRawWord(RawValue& raw, uint16_t value) {
    raw.bytes[2] = static_cast<uint8_t>(value & 0xFF);
    raw.bytes[3] = static_cast<uint8_t>(value >> 8);
}
