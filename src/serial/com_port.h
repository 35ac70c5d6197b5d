// A stateless layer over the Win32 serial-communication calls: open and
// configure, time, drain, read, write, break and close a serial port. Every
// operation returns a small result code; none writes to the log.
#pragma once

#include <cstdint>

#include "host/line_settings.h"
#include "platform/win32.h"

enum ComPortResult : int32_t {
    ComOk = 0,
    ComOpenFailed = 1,  // CreateFileA or SetCommTimeouts failed (open); a drain read failed (purge)
    ComShortWrite = 2,  // fewer bytes written than asked for
    ComNotSerial = 4,   // GetCommState failed: not a serial port
    ComBadSettings = 5, // SetCommState refused the line settings
    ComIoFailed = 7,    // CloseHandle, WriteFile or ReadFile failed, or a read timed out empty
};

int32_t ComPortOpen(const char* portName, const LineSettings* lineSettings, uint16_t lineControl,
                    HANDLE* handle);
int32_t ComPortClose(HANDLE handle);
// Sets the read total time-out to `units` x 10 ms; returns the previous one in
// units of 10 ms (remainder dropped), or 0 on failure.
int32_t ComPortSetTimeout(HANDLE handle, int32_t units);
int32_t ComPortPurge(HANDLE handle);
int32_t ComPortBreak(int32_t durationMs, HANDLE handle);
int32_t ComPortWrite(HANDLE handle, const void* buffer, uint32_t count, uint32_t* written);
int32_t ComPortRead(HANDLE handle, void* buffer, uint32_t count, uint32_t* received);
int32_t ComPortSleep(int32_t durationMs);
