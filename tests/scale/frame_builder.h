// Builds indicator messages for the scale tests.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/indicator_frames.h"

// A good message: status words A, B, C, six weight and six tare characters.
inline FrameBytes MakeFrame(uint8_t statusA, uint8_t statusB, const char* weight, const char* tare,
                            uint8_t statusC = 0x20) {
    FrameBytes f{};
    f[0] = 0x02;
    f[1] = statusA;
    f[2] = statusB;
    f[3] = statusC;
    std::memcpy(&f[4], weight, 6);
    std::memcpy(&f[10], tare, 6);
    f[16] = 0x0D;
    f[17] = FrameChecksum(f.data());
    return f;
}

// A good message with code 2 (factor 1) and the given weight digits.
inline FrameBytes WeightFrame(const char* weight, uint8_t statusB = 0x20) {
    return MakeFrame(0x22, statusB, weight, "000000");
}

inline std::vector<uint8_t> Bytes(const FrameBytes& f) {
    return {f.begin(), f.end()};
}

// The frame from byte `from` on.
inline std::vector<uint8_t> Tail(const FrameBytes& f, size_t from) {
    return {f.begin() + static_cast<std::ptrdiff_t>(from), f.end()};
}

inline std::vector<uint8_t> Repeat(uint8_t b, size_t n) {
    return std::vector<uint8_t>(n, b);
}

inline std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}
