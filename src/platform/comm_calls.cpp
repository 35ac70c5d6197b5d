// The communication calls: dispatched to the handle's device, and failing on
// a device that is no communication port (it has no such operation).
#include "platform/handle_table.h"

namespace {

// Runs `call` on the device behind `handle` when it offers operation `op`.
template <typename Op, typename Call> BOOL Dispatch(HANDLE handle, Op DeviceOps::*op, Call call) {
    HandleRef ref{};
    if (!HandleTableAcquire(handle, &ref)) {
        return FALSE;
    }
    BOOL ok = ref.ops->*op != nullptr ? call(ref.ops->*op, ref.device) : FALSE;
    HandleTableRelease(&ref);
    return ok;
}

} // namespace

BOOL GetCommState(HANDLE file, LPDCB dcb) {
    if (dcb == nullptr) {
        return FALSE;
    }
    return Dispatch(file, &DeviceOps::getState,
                    [&](auto fn, void* device) { return fn(device, dcb); });
}

BOOL SetCommState(HANDLE file, LPDCB dcb) {
    if (dcb == nullptr) {
        return FALSE;
    }
    return Dispatch(file, &DeviceOps::setState,
                    [&](auto fn, void* device) { return fn(device, dcb); });
}

BOOL GetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts) {
    if (timeouts == nullptr) {
        return FALSE;
    }
    return Dispatch(file, &DeviceOps::getTimeouts,
                    [&](auto fn, void* device) { return fn(device, timeouts); });
}

BOOL SetCommTimeouts(HANDLE file, LPCOMMTIMEOUTS timeouts) {
    if (timeouts == nullptr) {
        return FALSE;
    }
    return Dispatch(file, &DeviceOps::setTimeouts,
                    [&](auto fn, void* device) { return fn(device, timeouts); });
}

BOOL SetupComm(HANDLE file, DWORD inQueue, DWORD outQueue) {
    return Dispatch(file, &DeviceOps::setupQueues,
                    [&](auto fn, void* device) { return fn(device, inQueue, outQueue); });
}

BOOL ClearCommError(HANDLE file, LPDWORD errors, LPCOMSTAT stat) {
    return Dispatch(file, &DeviceOps::clearError,
                    [&](auto fn, void* device) { return fn(device, errors, stat); });
}

BOOL SetCommBreak(HANDLE file) {
    return Dispatch(file, &DeviceOps::setBreak,
                    [&](auto fn, void* device) { return fn(device, true); });
}

BOOL ClearCommBreak(HANDLE file) {
    return Dispatch(file, &DeviceOps::setBreak,
                    [&](auto fn, void* device) { return fn(device, false); });
}
