// How long one ReadFile may wait, from the port's COMMTIMEOUTS and the count
// asked for, as a Win32 serial port times a read.
#pragma once

#include <cstdint>

#include "platform/posix_win32.h"

struct ReadTimer {
    bool returnAtOnce;      // deliver what is queued and return without waiting
    bool returnOnFirstByte; // return as soon as at least one byte is there
    bool hasTotal;          // the read ends totalMs after it began
    uint64_t totalMs;
    bool hasInterval; // the read ends intervalMs after the last byte came
    uint64_t intervalMs;
};

// MAXDWORD/0/0 returns at once with what is queued; MAXDWORD/MAXDWORD/c
// (0 < c < MAXDWORD) returns with the first byte or after c; otherwise the total
// is multiplier x count + constant (none when both are 0) and a non-zero
// interval below MAXDWORD bounds the gap after each byte.
ReadTimer PlanRead(const COMMTIMEOUTS& timeouts, DWORD count);
