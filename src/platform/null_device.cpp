// "NUL": the null device. Reads deliver nothing at once, writes take every
// byte; it is no communication device, so the communication calls fail.
#include "platform/devices.h"
#include "platform/handle_table.h"

namespace {

BOOL Read(void*, const std::atomic<bool>&, BYTE*, DWORD, DWORD* received) {
    *received = 0;
    return TRUE;
}

BOOL Write(void*, const std::atomic<bool>&, const BYTE*, DWORD count, DWORD* written) {
    *written = count;
    return TRUE;
}

void Release(void*) {}

constexpr DeviceOps nullOps = {
    Read, Write, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, Release,
};

} // namespace

HANDLE NullDeviceOpen() {
    return HandleTableAdd(&nullOps, nullptr);
}
