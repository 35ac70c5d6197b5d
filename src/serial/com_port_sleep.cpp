#include "serial/com_port.h"

int32_t ComPortSleep(int32_t durationMs) {
    Sleep(static_cast<DWORD>(durationMs));
    return ComOk;
}
