// A named in-memory serial port for tests and fuzz targets, reached through
// the ordinary calls: CreateFileA with the name opens it (exclusively, like a
// port), and ReadFile is served from a script. The script is a list of steps:
//   bytes    - bytes that have arrived; a read takes as many as it asks for
//              and may run on into the next bytes step;
//   time-out - the line goes quiet here: the read that reaches it ends with
//              what it has (possibly nothing) and the step is used up;
//   failure  - the read that reaches it with nothing fails; one that already
//              has bytes returns them and leaves the failure for the next.
// At the end of the script every read ends at once as a time-out. Reads never
// wait in real time. The device keeps the DCB, time-outs and queue sizes set
// on it and records every read, write and break for inspection.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/posix_win32.h"

// Creates (or replaces, with an empty script) the device `name`. Its DCB
// starts as a 9600 8N1 port with DTR and RTS enabled.
void ScriptedDeviceCreate(const char* name);
void ScriptedDeviceRemove(const char* name);

void ScriptedDeviceAddBytes(const char* name, const void* bytes, size_t count);
void ScriptedDeviceAddTimeout(const char* name);
void ScriptedDeviceAddReadFailure(const char* name);
// What GetCommState reports until SetCommState changes it.
void ScriptedDeviceSetState(const char* name, const DCB& dcb);
// Each WriteFile takes at most this many bytes (a write time-out).
void ScriptedDeviceLimitWrites(const char* name, DWORD maxBytes);

// Calls the device can be told to refuse (return FALSE), for the failure
// paths a real port seldom shows.
enum ScriptedCall : unsigned {
    ScriptedGetState = 1u << 0,
    ScriptedSetState = 1u << 1,
    ScriptedGetTimeouts = 1u << 2,
    ScriptedSetTimeouts = 1u << 3,
    ScriptedClearError = 1u << 4,
};
// Refuses the calls in `calls` (a set of ScriptedCall bits) from now on; 0
// accepts all again.
void ScriptedDeviceRefuse(const char* name, unsigned calls);

struct ScriptedRead {
    DWORD asked;
    DWORD delivered;
    BOOL ok;
    DWORD totalTimeoutMs; // ReadTotalTimeoutConstant when the read began
};

struct ScriptedDeviceRecord {
    bool open;
    DCB dcb;
    COMMTIMEOUTS timeouts;
    DWORD inQueue; // 0 until SetupComm
    DWORD outQueue;
    int getStateCalls;
    int setStateCalls;
    int setTimeoutsCalls;
    int breaksSet;
    int breaksCleared;
    std::vector<ScriptedRead> reads;
    std::vector<BYTE> written;
};

// Copies what the device holds; false when there is no device of that name.
bool ScriptedDeviceInspect(const char* name, ScriptedDeviceRecord* record);

// For CreateFileA: opens the device `name` if there is one. Returns false
// when there is none; otherwise `handle` holds the new handle, or
// INVALID_HANDLE_VALUE when the device is already open.
bool ScriptedDeviceOpen(const char* name, HANDLE* handle);
