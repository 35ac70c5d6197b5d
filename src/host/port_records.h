// The port's settings in the driver context, and the two host records that
// hand port parameters over (ColdStart and ChangeVpiParams).
#pragma once

#include <cstdint>

#include "host/layout.h"
#include "host/line_settings.h"

inline constexpr int portNameSize = 12;

// Line-control word ColdStart sets: DTR on, RTS on, no handshake.
inline constexpr uint16_t defaultLineControl = 0x0303;

struct PortSettings {
    char portName[portNameSize]; // NUL-terminated within the 12 bytes
    LineSettings lineSettings;
    uint16_t lineControl; // modem-control and handshake option bits
};

static_assert(offsetof(PortSettings, portName) == 0);
static_assert(offsetof(PortSettings, lineSettings) == 12);
static_assert(offsetof(PortSettings, lineControl) == 20);
static_assert(sizeof(PortSettings) == 22);

struct ColdStartRecord {
    char portName[portNameSize];
    uint32_t portEnabled; // nonzero: open the port
    uint32_t reserved;    // not read
    LineSettings lineSettings;
};

static_assert(offsetof(ColdStartRecord, portName) == 0);
static_assert(offsetof(ColdStartRecord, portEnabled) == 12);
static_assert(offsetof(ColdStartRecord, reserved) == 16);
static_assert(offsetof(ColdStartRecord, lineSettings) == 20);
static_assert(sizeof(ColdStartRecord) == 28);

struct ChangeParamsRecord {
    char portName[portNameSize];
    uint32_t readTimeout;      // units of 10 ms; 0 and 0xFFFFFFFF keep the current one
    LineSettings lineSettings; // taken only when baudRate is not 0
};

static_assert(offsetof(ChangeParamsRecord, portName) == 0);
static_assert(offsetof(ChangeParamsRecord, readTimeout) == 12);
static_assert(offsetof(ChangeParamsRecord, lineSettings) == 16);
static_assert(sizeof(ChangeParamsRecord) == 24);
