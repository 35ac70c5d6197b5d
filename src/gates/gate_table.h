// The nine gates the driver serves. The row index is the address number `nr`
// by which the whole driver knows a gate; the measured rows come first.
#pragma once

#include <cstdint>

struct GateAddressRow {
    const char* address; // upper-case address text
    uint8_t length;      // characters of address
    uint8_t bits;        // value width handed to the host
    uint8_t kind;        // host format type a gate of this address must have
    uint8_t polled;      // 1 measured by the polling thread, 0 a setting
};

inline constexpr int32_t gateCount = 9;
inline constexpr int32_t polledGateCount = 4;

enum GateRow : int32_t {
    RowWeight = 0,
    RowTare = 1,
    RowMotion = 2,
    RowNegative = 3,
    RowSample = 4,
    RowReaction = 5,
    RowSync = 6,
    RowRetries = 7,
    RowDebug = 8,
};

extern const GateAddressRow GateAddressTable[gateCount];
