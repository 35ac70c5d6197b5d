// The driver information record that GetVpiInfo fills.
#pragma once

#include <cstdint>

#include "host/layout.h"
#include "host/line_settings.h"

struct VpiInfo {
    uint32_t constant70;       // 70, a constant for the host
    const char* makerName;     // maker's name, NUL, device description, NUL
    const char* banner;        // code page 437 banner box
    uint32_t contextSize;      // bytes the host reserves for each DriverContext
    uint32_t constant4;        // 4, a constant for the host
    LineSettings lineSettings; // the indicator's default line
    uint32_t constant0;        // 0, a constant for the host
};

PIN_OFFSET(VpiInfo, constant70, 0);
PIN_OFFSET(VpiInfo, makerName, 4);
PIN_OFFSET(VpiInfo, banner, 8);
PIN_OFFSET(VpiInfo, contextSize, 12);
PIN_OFFSET(VpiInfo, constant4, 16);
PIN_OFFSET(VpiInfo, lineSettings, 20);
PIN_OFFSET(VpiInfo, constant0, 28);
PIN_SIZE(VpiInfo, 32);
