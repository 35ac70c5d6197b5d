// The line-control word's three groups of bits (DTR, RTS, output flow), and
// what each sets in a DCB.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// Within a group the first row whose mask shares a bit with the word wins;
// no row leaves the group's members as they are. Output flow is only ever
// turned on, never off.
void ApplyLineControl(uint16_t lineControl, DCB* dcb);
