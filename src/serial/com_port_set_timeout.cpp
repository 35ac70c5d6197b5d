// ComPortSetTimeout: the read total time-out, in units of 10 ms.
#include "serial/com_port.h"

int32_t ComPortSetTimeout(HANDLE handle, int32_t units) {
    COMMTIMEOUTS timeouts{};
    if (!GetCommTimeouts(handle, &timeouts)) {
        return 0;
    }
    DWORD previous = timeouts.ReadTotalTimeoutConstant;
    // 32-bit arithmetic, as the port stores it.
    DWORD wanted = static_cast<DWORD>(static_cast<uint32_t>(units) * 10u);
    if (previous != wanted) {
        timeouts.ReadTotalTimeoutConstant = wanted;
        if (!SetCommTimeouts(handle, &timeouts)) {
            return 0;
        }
    }
    return static_cast<int32_t>(previous / 10);
}
