// Builds the indicator's 18-byte Continuous Output Format messages from a
// reading as the indicator displays it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace sim {

inline constexpr int frameBytes = 18;
using Frame = std::array<uint8_t, frameBytes>;

// A reading in display counts: the digits the indicator shows, without sign
// and decimal point, and the decimal-point code that places the point.
struct Reading {
    uint32_t weightCounts = 0; // 0 to 999999
    bool negative = false;     // the displayed weight is below zero
    uint32_t tareCounts = 0;   // 0 to 999999, always positive
    uint8_t decimalCode = 2;   // 0 to 7: factor 100 x 0.1^code
    bool motion = false;

    bool operator==(const Reading&) const = default;
};

inline constexpr uint32_t maxCounts = 999999;

// The factor of a decimal-point code: 100, 10, 1, 0.1 ... 0.00001.
double CodeFactor(uint8_t decimalCode);

// The reading the indicator shows for a weight and a tare in engineering
// units: rounded to whole display counts, held to six digits.
Reading ReadingFor(double weight, double tare, uint8_t decimalCode, bool motion);

// The displayed values in engineering units.
double DisplayedWeight(const Reading& reading);
double DisplayedTare(const Reading& reading);

// Two's complement of the 8-bit sum of bytes 0 to 16, low 7 bits.
uint8_t FrameChecksum(const uint8_t* frame);

Frame BuildFrame(const Reading& reading);

std::string HexOf(const uint8_t* bytes, size_t count);

} // namespace sim
