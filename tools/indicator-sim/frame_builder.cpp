#include "frame_builder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sim {
namespace {

constexpr uint8_t stx = 0x02;
constexpr uint8_t cr = 0x0D;
constexpr uint8_t statusBase = 0x20; // bit 5 is always set in the status words
constexpr uint8_t signBit = 0x02;
constexpr uint8_t motionBit = 0x08;

uint32_t CountsOf(double value, uint8_t decimalCode) {
    double counts = std::round(std::fabs(value) / CodeFactor(decimalCode));
    if (std::isnan(counts)) {
        return 0;
    }
    if (counts >= maxCounts) {
        return maxCounts;
    }
    return static_cast<uint32_t>(counts);
}

void PutDigits(uint8_t* field, uint32_t counts) {
    for (int i = 5; i >= 0; --i) {
        field[i] = static_cast<uint8_t>('0' + counts % 10);
        counts /= 10;
    }
}

} // namespace

double CodeFactor(uint8_t decimalCode) {
    static constexpr double factors[8] = {100, 10, 1, 0.1, 0.01, 0.001, 0.0001, 0.00001};
    return factors[decimalCode & 7];
}

Reading ReadingFor(double weight, double tare, uint8_t decimalCode, bool motion) {
    Reading reading;
    reading.decimalCode = static_cast<uint8_t>(decimalCode & 7);
    reading.weightCounts = CountsOf(weight, reading.decimalCode);
    reading.negative = weight < 0 && reading.weightCounts != 0; // no "minus zero" on a display
    reading.tareCounts = CountsOf(tare, reading.decimalCode);
    reading.motion = motion;
    return reading;
}

// Divides by a power of ten rather than multiplying by its inverse, so that
// 254 counts at code 3 come out as the nearest double to 25.4.
static double ValueOfCounts(uint32_t counts, uint8_t decimalCode) {
    int places = (decimalCode & 7) - 2;
    double scale = 1;
    for (int i = 0; i < (places < 0 ? -places : places); ++i) {
        scale *= 10;
    }
    return places < 0 ? counts * scale : counts / scale;
}

double DisplayedWeight(const Reading& reading) {
    double value = ValueOfCounts(reading.weightCounts, reading.decimalCode);
    return reading.negative ? -value : value;
}

double DisplayedTare(const Reading& reading) {
    return ValueOfCounts(reading.tareCounts, reading.decimalCode);
}

uint8_t FrameChecksum(const uint8_t* frame) {
    uint8_t sum = 0;
    for (int i = 0; i < 17; ++i) {
        sum = static_cast<uint8_t>(sum + frame[i]);
    }
    return static_cast<uint8_t>((0x100 - sum) & 0x7F);
}

Frame BuildFrame(const Reading& reading) {
    Frame frame{};
    frame[0] = stx;
    frame[1] = static_cast<uint8_t>(statusBase | (reading.decimalCode & 7));
    frame[2] = static_cast<uint8_t>(statusBase | (reading.negative ? signBit : 0) |
                                    (reading.motion ? motionBit : 0));
    frame[3] = statusBase;
    PutDigits(&frame[4], std::min(reading.weightCounts, maxCounts));
    PutDigits(&frame[10], std::min(reading.tareCounts, maxCounts));
    frame[16] = cr;
    frame[17] = FrameChecksum(frame.data());
    return frame;
}

std::string HexOf(const uint8_t* bytes, size_t count) {
    std::string text;
    text.reserve(count * 2);
    char pair[3];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        text += pair;
    }
    return text;
}

} // namespace sim
