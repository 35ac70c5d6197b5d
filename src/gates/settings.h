// The five setting gates (rows 4 to 8): their bounds and their fields in the
// driver context.
#pragma once

#include <cstdint>

#include "host/driver_context.h"

inline constexpr uint16_t maxSample = 10000;
inline constexpr uint16_t maxReaction = 20;
inline constexpr uint16_t maxSync = 2000;
inline constexpr uint16_t maxRetries = 20;

// The current value of setting row nr (4 to 8); false for any other row.
bool ReadSetting(DriverContext& context, int32_t nr, uint32_t* value);

// Text of row nr of the gate address table, or a marker for a row that does not exist.
const char* GateAddressText(int32_t nr);
