// The module-wide stop flag: 0 running, 1 stop requested (EndVpi), 2 a
// polling thread has ended. One word for every instance of the loaded module.
#pragma once

#include <atomic>
#include <cstdint>

enum StopFlagValue : int32_t {
    StopRunning = 0,
    StopRequested = 1,
    StopThreadEnded = 2,
};

extern std::atomic<int32_t> StopFlag;

// Acquire and release order the shutdown handshake: once EndVpi has seen 2, every
// write the ending thread made before it is visible, so the port and the gate-id
// array can be released safely.
inline int32_t LoadStopFlag() {
    return StopFlag.load(std::memory_order_acquire);
}
inline void StoreStopFlag(int32_t value) {
    StopFlag.store(value, std::memory_order_release);
}
