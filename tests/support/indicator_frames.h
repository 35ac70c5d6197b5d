// Builds the indicator's 18-byte Continuous Output Format messages for tests.
#pragma once

#include <array>
#include <cstdint>
#include <string>

using FrameBytes = std::array<uint8_t, 18>;

// The checksum byte: two's complement of the sum of bytes 0 to 16, low 7 bits.
uint8_t FrameChecksum(const uint8_t* frame);

// A well-formed message. `weight` and `tare` are the six characters of their
// fields (shorter texts are padded on the left with '0'); `decimals` is the
// decimal-point code 0-7 of status word A.
FrameBytes MakeFrame(const std::string& weight, const std::string& tare, int decimals,
                     bool negative = false, bool motion = false);
