#include "platform/read_timer.h"

ReadTimer PlanRead(const COMMTIMEOUTS& timeouts, DWORD count) {
    ReadTimer timer{};
    if (timeouts.ReadIntervalTimeout == MAXDWORD) {
        if (timeouts.ReadTotalTimeoutMultiplier == 0 && timeouts.ReadTotalTimeoutConstant == 0) {
            timer.returnAtOnce = true;
            return timer;
        }
        if (timeouts.ReadTotalTimeoutMultiplier == MAXDWORD &&
            timeouts.ReadTotalTimeoutConstant != 0 &&
            timeouts.ReadTotalTimeoutConstant != MAXDWORD) {
            timer.returnOnFirstByte = true;
            timer.hasTotal = true;
            timer.totalMs = timeouts.ReadTotalTimeoutConstant;
            return timer;
        }
    } else if (timeouts.ReadIntervalTimeout != 0) {
        timer.hasInterval = true;
        timer.intervalMs = timeouts.ReadIntervalTimeout;
    }
    if (timeouts.ReadTotalTimeoutMultiplier != 0 || timeouts.ReadTotalTimeoutConstant != 0) {
        timer.hasTotal = true;
        timer.totalMs = static_cast<uint64_t>(timeouts.ReadTotalTimeoutMultiplier) * count +
                        timeouts.ReadTotalTimeoutConstant;
    }
    return timer;
}
