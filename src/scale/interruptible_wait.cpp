// The polling thread's wait during recovery, cut short by a stop request.
#include "host/stop_flag.h"
#include "platform/win32.h"
#include "scale/polling_thread.h"

namespace {
constexpr int32_t sliceMs = 700;
}

void InterruptibleWait(int32_t milliseconds) {
    int32_t remaining = milliseconds > 0 ? milliseconds : 0;
    while (remaining > sliceMs) {
        if (LoadStopFlag() != StopRunning) {
            return;
        }
        Sleep(sliceMs);
        remaining -= sliceMs;
    }
    if (LoadStopFlag() != StopRunning) {
        return;
    }
    Sleep(static_cast<DWORD>(remaining));
}
