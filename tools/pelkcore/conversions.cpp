// Conversions between a gate's 4-byte raw form and its engineering value.
#include <bit>
#include <cmath>
#include <cstring>

#include "pelkcore.h"

namespace pelkcore {

uint32_t RawWordOf(const RawValue& raw) {
    return static_cast<uint32_t>(raw.bytes[0]) | (static_cast<uint32_t>(raw.bytes[1]) << 8) |
           (static_cast<uint32_t>(raw.bytes[2]) << 16) |
           (static_cast<uint32_t>(raw.bytes[3]) << 24);
}

uint16_t CookRaw(uint32_t formatType, uint32_t raw, double* cooked) {
    if (cooked == nullptr) {
        return StatusBadArgument;
    }
    uint32_t high = raw >> 16; // bytes 2 and 3
    switch (formatType) {
    case FormatFloat:
        *cooked = static_cast<double>(std::bit_cast<float>(raw));
        return StatusOk;
    case FormatAnalog16:
        *cooked = static_cast<double>(high);
        return StatusOk;
    case FormatDigital:
        *cooked = high != 0 ? 1.0 : 0.0;
        return StatusOk;
    default:
        return StatusBadFormat;
    }
}

uint16_t UnCookValue(uint32_t formatType, double value, RawValue* raw) {
    if (raw == nullptr) {
        return StatusBadArgument;
    }
    uint16_t word = 0;
    switch (formatType) {
    case FormatFloat: {
        auto bits = std::bit_cast<uint32_t>(static_cast<float>(value));
        for (int i = 0; i < 4; ++i) {
            raw->bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
        }
        return StatusOk;
    }
    case FormatAnalog16:
        // Rounded to the nearest count and held to the 16-bit range; a value
        // that is not a number gives 0 rather than an undefined conversion.
        if (std::isnan(value) || value <= 0.0) {
            word = 0;
        } else if (value >= 65535.0) {
            word = 65535;
        } else {
            word = static_cast<uint16_t>(std::lround(value));
        }
        break;
    case FormatDigital:
        word = (value != 0.0 && !std::isnan(value)) ? 1 : 0;
        break;
    default:
        return StatusBadFormat;
    }
    raw->bytes[0] = 0;
    raw->bytes[1] = 0;
    SetRawWord(*raw, word);
    return StatusOk;
}

} // namespace pelkcore
