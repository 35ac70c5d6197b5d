// ComPortBreak: holds a break on the line for the duration.
#include "serial/com_port.h"

int32_t ComPortBreak(int32_t durationMs, HANDLE handle) {
    SetCommBreak(handle);
    Sleep(static_cast<DWORD>(durationMs));
    ClearCommBreak(handle);
    return ComOk;
}
