// Milliseconds of the monotonic clock, for the read and write time-outs.
#pragma once

#include <cstdint>
#include <time.h>

inline uint64_t MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000u +
           static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}
