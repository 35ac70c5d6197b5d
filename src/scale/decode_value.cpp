// Decoding of the four measured values from an indicator message.
#include <cstring>

#include "gates/gate_table.h"
#include "scale/frame.h"

namespace {

constexpr int fieldWidth = 6;
constexpr int weightField = 4;
constexpr int tareField = 10;
constexpr uint8_t decimalPointMask = 0x07; // status word A
constexpr uint8_t signBit = 0x02;          // status word B: weight negative
constexpr uint8_t motionBit = 0x08;        // status word B: scale in motion

// 0.1 as a single-precision number, 0x3DCCCCCD (0.100000001490116...).
constexpr uint32_t tenthBits = 0x3DCCCCCD;

// White space as the C locale knows it.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads a decimal number the way a "%d" conversion does: leading white space,
// an optional sign, then digits up to the first other character. 0 and the
// number in *value when at least one digit was found, 1 otherwise. The text
// holds at most six characters, so the number always fits.
int32_t ScanDecimal(const char* text, int32_t* value) {
    while (IsBlank(*text)) {
        ++text;
    }
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    if (*text < '0' || *text > '9') {
        return 1;
    }
    int32_t number = 0;
    while (*text >= '0' && *text <= '9') {
        number = number * 10 + (*text - '0');
        ++text;
    }
    *value = negative ? -number : number;
    return 0;
}

void StoreFloat(RawValue* raw, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    raw->bytes[0] = static_cast<uint8_t>(bits);
    raw->bytes[1] = static_cast<uint8_t>(bits >> 8);
    raw->bytes[2] = static_cast<uint8_t>(bits >> 16);
    raw->bytes[3] = static_cast<uint8_t>(bits >> 24);
}

} // namespace

int32_t DecodeValue(const uint8_t* frame, RawValue* raw, int32_t index) {
    if (frame[0] != frameStx) {
        return 1;
    }
    const int decimals = frame[1] & decimalPointMask;
    const bool negative = (frame[2] & signBit) != 0;

    if (index == RowMotion) {
        SetRawWord(*raw, static_cast<uint16_t>(frame[2] & motionBit));
        return 0;
    }
    if (index == RowNegative) {
        SetRawWord(*raw, negative ? 1 : 0);
        return 0;
    }
    if (index != RowWeight && index != RowTare) {
        return 1;
    }

    // The digit field as text: at most six characters, ended early by a NUL.
    char text[fieldWidth + 1] = {};
    const uint8_t* field = frame + (index == RowWeight ? weightField : tareField);
    for (int i = 0; i < fieldWidth && field[i] != 0; ++i) {
        text[i] = static_cast<char>(field[i]);
    }
    int32_t number = 0;
    if (ScanDecimal(text, &number) != 0) {
        return 1;
    }

    // The factor 100 goes onto the integer first; the sign bit belongs to the
    // displayed weight only. Then each decimal place costs one multiplication
    // by 0.1, rounded to single precision every time, so that the host gets
    // exactly the same bits on every platform.
    int32_t scaled = number * 100;
    if (index == RowWeight && negative) {
        scaled = -scaled;
    }
    float value = static_cast<float>(scaled);
    float tenth;
    std::memcpy(&tenth, &tenthBits, sizeof tenth);
    for (int i = 0; i < decimals; ++i) {
        value = value * tenth;
    }
    StoreFloat(raw, value);
    return 0;
}
