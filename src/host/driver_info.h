// The driver's identity texts and default line, handed out by GetVpiInfo.
#pragma once

#include <cstddef>

#include "host/line_settings.h"

// Maker's name, NUL, device description, NUL: one constant block.
extern const char DriverMakerBlock[];
extern const size_t DriverMakerBlockSize;

// The banner box in code page 437, 205 bytes and a NUL.
extern const char* const DriverBanner;
inline constexpr size_t driverBannerLength = 205;

// The indicator's line: 9600 baud, 7 data bits, one stop bit, even parity.
inline constexpr LineSettings defaultLineSettings = {9600, 7, 0, 2};
