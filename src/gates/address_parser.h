// Looks a gate's address up in the gate address table.
#pragma once

#include <cstdint>

#include "gates/gate_record.h"

// Longest address text the parser's working copy holds (plus its NUL).
inline constexpr int addressBufferSize = 32;

// 0 when the address was found and gateAddr written, 1 otherwise.
int32_t Parse(GateRecordParse* record);
