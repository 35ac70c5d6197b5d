#include <cstdint>
#include <cstring>

#include "host/host_runtime.h"
#include "host/lifecycle.h"
#include "host/shared_field.h"
#include "serial/com_port.h"

HANDLE OpenCom(const PortSettings* settings) {
    HANDLE handle = 0;
    // A name without its NUL inside the 12 bytes is refused rather than cut:
    // a shortened name could open a different device.
    bool terminated = std::memchr(settings->portName, '\0', portNameSize) != nullptr;
    if (!terminated || ComPortOpen(settings->portName, &settings->lineSettings,
                                   settings->lineControl, &handle) != ComOk) {
        err(logInfo, "TARVIK> OpenCom() open COM port failed");
        return 0;
    }
    err(logInfo, "TARVIK> OpenCom() exited OK, file handle %u",
        static_cast<unsigned>(reinterpret_cast<uintptr_t>(handle)));
    return handle;
}

void CopyPortName(char (&to)[portNameSize], const char (&from)[portNameSize]) {
    const void* end = std::memchr(from, '\0', portNameSize);
    size_t length = end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - from) + 1
                                   : static_cast<size_t>(portNameSize);
    std::memcpy(to, from, length);
}

void TakeOpenedPort(DriverContext& context, HANDLE handle) {
    StoreShared(context.portHandle, handle);
    ComPortSetTimeout(handle, static_cast<int32_t>(context.readTimeout));
}
