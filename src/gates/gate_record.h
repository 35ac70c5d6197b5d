// The host's record of one gate, in the two layouts the driver sees, and the
// address block the parser fills and the host hands back with every access.
#pragma once

#include <cstdint>

#include "gates/raw_value.h"
#include "host/layout.h"

struct GateAddr {
    int32_t fixedZero;     // 0
    int32_t polled;        // 1 for a measured value, 0 for a setting
    int32_t nr;            // row of the gate address table
    int32_t fixedMinusOne; // -1
    int32_t bits;          // value width handed to the host
};

static_assert(sizeof(GateAddr) == 20);
static_assert(offsetof(GateAddr, fixedZero) == 0);
static_assert(offsetof(GateAddr, polled) == 4);
static_assert(offsetof(GateAddr, nr) == 8);
static_assert(offsetof(GateAddr, fixedMinusOne) == 12);
static_assert(offsetof(GateAddr, bits) == 16);

// As passed with SingleAddressParser.
struct GateRecordParse {
    const char* address; // the gate's address text
    uint32_t host4;      // host's, not read
    uint32_t formatType; // the gate's host format type code
    uint32_t host12;     // host's, not read
    GateAddr gateAddr;   // written by the parser
};

PIN_OFFSET(GateRecordParse, address, 0);
PIN_OFFSET(GateRecordParse, host4, 4);
PIN_OFFSET(GateRecordParse, formatType, 8);
PIN_OFFSET(GateRecordParse, host12, 12);
PIN_OFFSET(GateRecordParse, gateAddr, 16);
PIN_SIZE(GateRecordParse, 36);

// As passed with SingleRead and SingleWrite.
struct GateRecordAccess {
    uint32_t host0[2];  // host's, not read
    GateAddr gateAddr;  // as the parser filled it
    uint32_t host28[2]; // host's, not read
    uint32_t gateId;    // the host's id of the gate
    RawValue* rawValue; // the gate's raw value
};

PIN_OFFSET(GateRecordAccess, host0, 0);
PIN_OFFSET(GateRecordAccess, gateAddr, 8);
PIN_OFFSET(GateRecordAccess, host28, 28);
PIN_OFFSET(GateRecordAccess, gateId, 36);
PIN_OFFSET(GateRecordAccess, rawValue, 40);
PIN_SIZE(GateRecordAccess, 44);

// Host format type codes the driver knows.
enum FormatType : uint32_t {
    FormatAnalog16 = 0,
    FormatFloat = 3,
    FormatDigital = 6,
    FormatString = 7,
};
