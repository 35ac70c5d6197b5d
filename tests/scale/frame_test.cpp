// Checksum and value decoding of the indicator's messages, to the exact bits
// the host receives.
#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <cstring>
#include <string>

#include "frame_builder.h"
#include "gates/gate_table.h"
#include "scale/frame.h"

namespace {

FrameBytes FromHex(std::initializer_list<int> bytes) {
    FrameBytes f{};
    int i = 0;
    for (int b : bytes) {
        f[i++] = static_cast<uint8_t>(b);
    }
    return f;
}

// The two messages the indicator's documentation walks through.
const FrameBytes negativeWeight = FromHex({0x02, 0x23, 0x22, 0x20, 0x30, 0x30, 0x31, 0x32, 0x33,
                                           0x34, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x0D, 0x42});
const FrameBytes inMotion = FromHex({0x02, 0x22, 0x28, 0x20, 0x30, 0x31, 0x32, 0x33, 0x34, 0x35,
                                     0x30, 0x30, 0x30, 0x31, 0x30, 0x30, 0x0D, 0x37});

uint32_t Bits(const RawValue& raw) {
    return static_cast<uint32_t>(raw.bytes[0]) | static_cast<uint32_t>(raw.bytes[1]) << 8 |
           static_cast<uint32_t>(raw.bytes[2]) << 16 | static_cast<uint32_t>(raw.bytes[3]) << 24;
}

RawValue Filled(uint8_t b) {
    RawValue raw;
    std::memset(raw.bytes, b, sizeof raw.bytes);
    return raw;
}

// Decodes and returns the raw bits; fails the test when the decoder refuses.
uint32_t DecodeBits(const FrameBytes& frame, int32_t index) {
    RawValue raw = Filled(0xAA);
    EXPECT_EQ(DecodeValue(frame.data(), &raw, index), 0);
    return Bits(raw);
}

} // namespace

TEST(VerifyChecksum, DocumentedFrames) {
    EXPECT_EQ(VerifyChecksum(negativeWeight.data()), 0);
    EXPECT_EQ(VerifyChecksum(inMotion.data()), 0);
    FrameBytes highBit = inMotion;
    highBit[17] = 0xB7; // right low 7 bits, but bit 7 set
    EXPECT_EQ(VerifyChecksum(highBit.data()), 1);
}

TEST(VerifyChecksum, EverySingleByteChangeIsCaught) {
    // Any change of one byte of STX..CR changes the 7-bit sum unless it moves
    // the byte by a multiple of 128; check all other changes of every byte.
    for (int position = 0; position < 18; ++position) {
        for (int value = 0; value < 256; ++value) {
            FrameBytes f = inMotion;
            if (value == f[position] || (position < 17 && (value - f[position]) % 128 == 0)) {
                continue;
            }
            f[position] = static_cast<uint8_t>(value);
            ASSERT_EQ(VerifyChecksum(f.data()), 1) << "position " << position << " value " << value;
        }
    }
}

TEST(DecodeValue, DocumentedFrames) {
    EXPECT_EQ(DecodeBits(negativeWeight, RowWeight), 0xC2F6CCCDu); // -123.4
    EXPECT_EQ(DecodeBits(negativeWeight, RowTare), std::bit_cast<uint32_t>(0.0f));
    EXPECT_EQ(DecodeBits(negativeWeight, RowMotion) >> 16, 0u);
    EXPECT_EQ(DecodeBits(negativeWeight, RowNegative) >> 16, 1u);

    EXPECT_EQ(DecodeBits(inMotion, RowWeight), std::bit_cast<uint32_t>(12345.0f));
    EXPECT_EQ(DecodeBits(inMotion, RowTare), std::bit_cast<uint32_t>(100.0f));
    EXPECT_EQ(DecodeBits(inMotion, RowMotion) >> 16, 8u); // the motion bit itself, not 1
    EXPECT_EQ(DecodeBits(inMotion, RowNegative) >> 16, 0u);
}

struct WeightCase {
    uint8_t code;
    const char* digits;
    uint32_t bits;
};

TEST(DecodeValue, WeightBitsFollowTheStepwiseRounding) {
    const WeightCase cases[] = {
        {0, "000012", std::bit_cast<uint32_t>(1200.0f)},
        {2, "040000", std::bit_cast<uint32_t>(40000.0f)},
        // 99 999 900 rounds to 99 999 904 in single precision first.
        {2, "999999", 0x497423F2u},
        // Seven separate roundings end one unit above the float nearest 0.00001.
        {7, "000001", 0x3727C5ADu},
        {3, "001234", 0x42F6CCCDu},
        {4, "000001", 0x3C23D70Bu}, // one unit above the float nearest 0.01
        {1, "999999", 0x4B189677u}, // 9999991.0
        {2, "-99999", std::bit_cast<uint32_t>(-99999.0f)},
    };
    for (const auto& c : cases) {
        FrameBytes f = MakeFrame(static_cast<uint8_t>(0x20 | c.code), 0x20, c.digits, "000000");
        EXPECT_EQ(DecodeBits(f, RowWeight), c.bits) << "code " << int(c.code) << " " << c.digits;
    }
    // The nearest float to 0.00001 is one unit below what the indicator's
    // stepwise factor gives: a one-step computation would be wrong.
    EXPECT_EQ(std::bit_cast<uint32_t>(static_cast<float>(100.0 * 1e-7)) + 1, 0x3727C5ADu);
}

TEST(DecodeValue, SignBitNegatesWeightOnly) {
    // Sign bit set, code 2: the weight turns negative, the tare does not.
    FrameBytes f = MakeFrame(0x22, 0x22, "000250", "000100");
    EXPECT_EQ(DecodeBits(f, RowWeight), std::bit_cast<uint32_t>(-250.0f));
    EXPECT_EQ(DecodeBits(f, RowTare), std::bit_cast<uint32_t>(100.0f));
    // A minus sign inside the tare text is honoured all the same.
    FrameBytes minusTare = MakeFrame(0x22, 0x20, "000000", "-00100");
    EXPECT_EQ(DecodeBits(minusTare, RowTare), std::bit_cast<uint32_t>(-100.0f));
    // Sign bit and a minus in the text: negated twice.
    FrameBytes twice = MakeFrame(0x22, 0x22, "-00005", "000000");
    EXPECT_EQ(DecodeBits(twice, RowWeight), std::bit_cast<uint32_t>(5.0f));
}

struct FieldCase {
    const char* field; // six bytes; "\0" allowed inside
    bool accepted;
    float value; // code 2, so the digits themselves
};

TEST(DecodeValue, DigitFieldsConvertLikeADecimalScan) {
    const FieldCase cases[] = {
        {"      ", false, 0},
        {"  1234", true, 1234},
        {"12 345", true, 12},
        {"\t\n\v\f\r7", true, 7},
        {"+00042", true, 42},
        {"  -  1", false, 0},
        {"+-1234", false, 0},
        {"-     ", false, 0},
        {"abc123", false, 0},
        {"12\0"
         "999",
         true, 12},
        {"\0"
         "12345",
         false, 0},
        {"00x100", true, 0},
        {"\xB0"
         "12345",
         false, 0},
    };
    for (const auto& c : cases) {
        for (int32_t index : {RowWeight, RowTare}) {
            char weight[6], tare[6];
            std::memcpy(weight, index == RowWeight ? c.field : "000000", 6);
            std::memcpy(tare, index == RowTare ? c.field : "000000", 6);
            FrameBytes f = MakeFrame(0x22, 0x20, weight, tare);
            RawValue raw = Filled(0x5A);
            int32_t result = DecodeValue(f.data(), &raw, index);
            std::string name = std::string(c.field, 6) + (index == RowWeight ? " weight" : " tare");
            if (c.accepted) {
                EXPECT_EQ(result, 0) << name;
                EXPECT_EQ(Bits(raw), std::bit_cast<uint32_t>(c.value)) << name;
            } else {
                EXPECT_EQ(result, 1) << name;
                EXPECT_EQ(Bits(raw), 0x5A5A5A5Au) << name << ": refused decode wrote";
            }
        }
    }
}

TEST(DecodeValue, ScanAgreesWithTheCLibraryOnEveryShortText) {
    // Every six-character text over the characters that matter to a "%d"
    // conversion, against this C library's own sscanf.
    const char alphabet[] = {' ', '\t', '+', '-', '0', '7', 'x', '\0'};
    FrameBytes f = MakeFrame(0x22, 0x20, "000000", "000000");
    int digits[6] = {};
    for (int n = 0; n < 8 * 8 * 8 * 8 * 8 * 8; ++n) {
        int rest = n;
        for (int& d : digits) {
            d = rest % 8;
            rest /= 8;
        }
        char text[7] = {};
        for (int i = 0; i < 6; ++i) {
            f[4 + i] = static_cast<uint8_t>(alphabet[digits[i]]);
            text[i] = alphabet[digits[i]];
        }
        int expected = 0;
        const bool scanned = std::sscanf(text, "%d", &expected) == 1;
        RawValue raw = Filled(0);
        const int32_t result = DecodeValue(f.data(), &raw, RowWeight);
        ASSERT_EQ(result, scanned ? 0 : 1) << '"' << text << '"';
        if (scanned) {
            ASSERT_EQ(Bits(raw),
                      std::bit_cast<uint32_t>(static_cast<float>(expected * 100) * 0.1f * 0.1f))
                << '"' << text << '"';
        }
    }
}

TEST(DecodeValue, FlagsWriteOnlyTheUpperWord) {
    FrameBytes f = MakeFrame(0x22, 0x2A, "000001", "000000"); // motion and sign bits
    RawValue raw = Filled(0xEE);
    ASSERT_EQ(DecodeValue(f.data(), &raw, RowMotion), 0);
    EXPECT_EQ(Bits(raw), 0x0008EEEEu);
    raw = Filled(0xEE);
    ASSERT_EQ(DecodeValue(f.data(), &raw, RowNegative), 0);
    EXPECT_EQ(Bits(raw), 0x0001EEEEu);
    // Other bits of status word B do not leak into the flags.
    FrameBytes noisy = MakeFrame(0x22, 0xF5, "000001", "000000"); // bits 0, 2, 4-7; no sign/motion
    raw = Filled(0xEE);
    ASSERT_EQ(DecodeValue(noisy.data(), &raw, RowMotion), 0);
    EXPECT_EQ(Bits(raw), 0x0000EEEEu);
    ASSERT_EQ(DecodeValue(noisy.data(), &raw, RowNegative), 0);
    EXPECT_EQ(Bits(raw), 0x0000EEEEu);
}

TEST(DecodeValue, RefusalsWriteNothing) {
    FrameBytes noStx = inMotion;
    noStx[0] = 0x03;
    for (int32_t index : {0, 1, 2, 3, 4, -1, 9, 0x7FFFFFFF}) {
        const FrameBytes& f = index >= 0 && index <= 3 ? noStx : inMotion;
        RawValue raw = Filled(0x33);
        EXPECT_EQ(DecodeValue(f.data(), &raw, index), 1) << index;
        EXPECT_EQ(Bits(raw), 0x33333333u) << index;
    }
}
