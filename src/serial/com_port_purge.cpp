// ComPortPurge: clears the port's error state and drains what it has
// received, in 512-byte reads with a 50 ms time-out.
#include "serial/com_port.h"

namespace {

constexpr DWORD drainChunk = 512;
constexpr int32_t drainTimeoutUnits = 5; // 50 ms

} // namespace

int32_t ComPortPurge(HANDLE handle) {
    DWORD errors = 0;
    COMSTAT stat{};
    if (ClearCommError(handle, &errors, &stat) && stat.cbInQue == 0) {
        return ComOk;
    }
    int32_t previous = ComPortSetTimeout(handle, drainTimeoutUnits);
    BYTE scratch[drainChunk];
    BOOL ok = TRUE;
    DWORD got = 0;
    do {
        got = 0;
        ok = ReadFile(handle, scratch, drainChunk, &got, nullptr);
    } while (ok && got == drainChunk);
    // A previous time-out of 0 (below 10 ms, or unreadable) is not restored.
    if (previous != 0) {
        ComPortSetTimeout(handle, previous);
    }
    return ok ? ComOk : ComOpenFailed;
}
