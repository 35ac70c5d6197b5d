#include "serial/com_port.h"

int32_t ComPortWrite(HANDLE handle, const void* buffer, uint32_t count, uint32_t* written) {
    DWORD put = 0;
    if (!WriteFile(handle, buffer, count, &put, nullptr)) {
        return ComIoFailed;
    }
    if (written != nullptr) {
        *written = static_cast<uint32_t>(put);
    }
    return put == count ? ComOk : ComShortWrite;
}
