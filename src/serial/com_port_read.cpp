// ComPortRead: one read of up to the count asked for; the bytes that came
// before the time-out, or 7 when none came.
#include "serial/com_port.h"

int32_t ComPortRead(HANDLE handle, void* buffer, uint32_t count, uint32_t* received) {
    if (received != nullptr) {
        *received = 0;
    }
    DWORD got = 0;
    if (!ReadFile(handle, buffer, count & 0xFFFFu, &got, nullptr) || got == 0) {
        return ComIoFailed;
    }
    if (received != nullptr) {
        *received = static_cast<uint32_t>(got);
    }
    return ComOk;
}
