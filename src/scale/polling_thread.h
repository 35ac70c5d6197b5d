// The polling thread: carries the indicator's readings into the host's gates.
#pragma once

#include <cstdint>

#include "gates/raw_value.h"
#include "host/driver_context.h"

// The thread's record of one value on its way to the host.
struct PollValue {
    RawValue raw;
    double cooked;
};

// The thread's body; when it returns, the thread ends.
void StartThread(DriverContext* context);

// Sleeps `milliseconds` in slices of 700 ms, returning early once a stop is requested.
void InterruptibleWait(int32_t milliseconds);
