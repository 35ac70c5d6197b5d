// The serial line settings in Win32 encoding, as the host hands them over.
#pragma once

#include <cstdint>

#include "host/layout.h"

struct LineSettings {
    uint16_t baudRate; // bits per second
    uint16_t dataBits; // low byte used
    uint16_t stopBits; // 0 one, 1 one and a half, 2 two; low byte used
    uint16_t parity;   // 0 none, 1 odd, 2 even, 3 mark, 4 space; low byte used
};

static_assert(sizeof(LineSettings) == 8);
static_assert(offsetof(LineSettings, baudRate) == 0);
static_assert(offsetof(LineSettings, dataBits) == 2);
static_assert(offsetof(LineSettings, stopBits) == 4);
static_assert(offsetof(LineSettings, parity) == 6);
