// CloseHandle, ReadFile and WriteFile: dispatched to the handle's device.
// Overlapped I/O is not offered; a call that asks for it fails.
#include "platform/handle_table.h"

BOOL CloseHandle(HANDLE object) {
    return HandleTableClose(object);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD numberOfBytesToRead, LPDWORD numberOfBytesRead,
              LPOVERLAPPED overlapped) {
    DWORD received = 0;
    BOOL ok = FALSE;
    HandleRef ref{};
    if (overlapped == nullptr && (buffer != nullptr || numberOfBytesToRead == 0) &&
        HandleTableAcquire(file, &ref)) {
        if (ref.ops->read != nullptr) {
            ok = ref.ops->read(ref.device, *ref.closing, static_cast<BYTE*>(buffer),
                               numberOfBytesToRead, &received);
        }
        HandleTableRelease(&ref);
    }
    if (numberOfBytesRead != nullptr) {
        *numberOfBytesRead = received;
    }
    return ok;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD numberOfBytesToWrite,
               LPDWORD numberOfBytesWritten, LPOVERLAPPED overlapped) {
    DWORD written = 0;
    BOOL ok = FALSE;
    HandleRef ref{};
    if (overlapped == nullptr && (buffer != nullptr || numberOfBytesToWrite == 0) &&
        HandleTableAcquire(file, &ref)) {
        if (ref.ops->write != nullptr) {
            ok = ref.ops->write(ref.device, *ref.closing, static_cast<const BYTE*>(buffer),
                                numberOfBytesToWrite, &written);
        }
        HandleTableRelease(&ref);
    }
    if (numberOfBytesWritten != nullptr) {
        *numberOfBytesWritten = written;
    }
    return ok;
}
