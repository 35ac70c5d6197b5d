#include "serial/com_port.h"

int32_t ComPortClose(HANDLE handle) {
    return CloseHandle(handle) ? ComOk : ComIoFailed;
}
