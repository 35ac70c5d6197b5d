// ComPortOpen: opens a port exclusively and, unless the line-control word is
// 0, configures its line, time-outs and queues.
#include <cstring>

#include "serial/com_port.h"
#include "serial/line_control.h"

namespace {

constexpr DWORD openReadTimeoutMs = 1000;
constexpr DWORD queueSize = 1200;
// The replacement character is set, but replacement stays off.
constexpr char errorChar = static_cast<char>(0xFC);

} // namespace

int32_t ComPortOpen(const char* portName, const LineSettings* lineSettings, uint16_t lineControl,
                    HANDLE* handle) {
    *handle =
        CreateFileA(portName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (*handle == INVALID_HANDLE_VALUE) {
        return ComOpenFailed;
    }
    // The null device is no port: nothing is read from it or set on it.
    if (std::strcmp(portName, "NUL") == 0) {
        return ComOk;
    }

    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    if (!GetCommState(*handle, &dcb)) {
        CloseHandle(*handle);
        return ComNotSerial;
    }
    if (lineControl == 0) {
        return ComOk;
    }

    dcb.BaudRate = lineSettings->baudRate;
    dcb.ByteSize = static_cast<BYTE>(lineSettings->dataBits & 0xFF);
    dcb.Parity = static_cast<BYTE>(lineSettings->parity & 0xFF);
    if (dcb.Parity != 0) {
        dcb.fParity = TRUE;
    }
    dcb.StopBits = static_cast<BYTE>(lineSettings->stopBits & 0xFF);

    COMMTIMEOUTS timeouts{};
    timeouts.ReadTotalTimeoutConstant = openReadTimeoutMs;
    if (!SetCommTimeouts(*handle, &timeouts)) {
        CloseHandle(*handle);
        return ComOpenFailed;
    }

    dcb.ErrorChar = errorChar;
    dcb.fErrorChar = FALSE;
    ApplyLineControl(lineControl, &dcb);
    if (!SetCommState(*handle, &dcb)) {
        CloseHandle(*handle);
        return ComBadSettings;
    }
    SetupComm(*handle, queueSize, queueSize);
    return ComOk;
}
