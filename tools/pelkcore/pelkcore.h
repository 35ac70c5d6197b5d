// PELKCORE, our host runtime library: the gate store and the log behind the
// seven functions the driver imports (declared in host/host_runtime.h), and a
// small C++ interface through which a host program or a test binds gates,
// reads them back, and follows updates and log lines.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "gates/raw_value.h"

#if defined(_WIN32)
#if defined(PELKCORE_BUILDING)
#define PELKCORE_API __declspec(dllexport)
#else
#define PELKCORE_API __declspec(dllimport)
#endif
#else
#define PELKCORE_API __attribute__((visibility("default")))
#endif

namespace pelkcore {

// Status codes of the gate functions.
enum Status : uint16_t {
    StatusOk = 0,
    StatusUnknownGate = 3, // no gate has this id
    StatusBadFormat = 4,   // the gate's format type has no numeric value
    StatusNotBound = 5,    // no gate of this instance has this address
    StatusBadArgument = 6, // a null pointer where a value belongs
};

// Format types a gate may have.
enum Format : uint32_t {
    FormatAnalog16 = 0, // unsigned 16-bit number in bytes 2-3
    FormatFloat = 3,    // IEEE single in all four bytes
    FormatDigital = 6,  // 0 or 1 in bytes 2-3
};

using Clock = std::chrono::steady_clock;

struct GateState {
    uint32_t id = 0;
    uint8_t instance = 0;
    char address[32] = {};
    uint32_t formatType = FormatFloat;
    double value = 0.0;    // current engineering value
    bool failed = false;   // marked failed since its last value
    uint64_t updates = 0;  // values stored
    uint64_t failures = 0; // times marked failed
    bool everUpdated = false;
    Clock::time_point lastUpdate{}; // time of the last value or failure mark
};

// --- Gates ------------------------------------------------------------------

// Binds a gate of the given instance by address text and format type and
// returns its id (never 0 and never 0xFFFF, the driver's "unresolved" mark).
// Binding an address again gives the same id with the new format type.
// Returns 0 for an empty address or one of 32 characters or more.
PELKCORE_API uint32_t BindGate(uint8_t instance, const std::string& address, uint32_t formatType);

// Copies the gate's state; false for an unknown id.
PELKCORE_API bool ReadGate(uint32_t id, GateState* state);

// Forgets every gate (ids are not reused afterwards).
PELKCORE_API void ClearGates();

// Called on the thread that stored the value, right after the store; keep it
// short, it runs inside the driver's polling cycle.
using GateListener = std::function<void(const GateState&)>;
PELKCORE_API int SubscribeGates(GateListener listener);
PELKCORE_API void UnsubscribeGates(int token);

// --- Conversions between a gate's raw form and its engineering value --------

// raw is the 4-byte raw value as one little-endian 32-bit word.
PELKCORE_API uint16_t CookRaw(uint32_t formatType, uint32_t raw, double* cooked);
PELKCORE_API uint16_t UnCookValue(uint32_t formatType, double value, RawValue* raw);
PELKCORE_API uint32_t RawWordOf(const RawValue& raw);

// --- The host's log ---------------------------------------------------------

// Lines go to standard error until a file is opened. A line is queued by
// err() and written by a writer thread, so a slow terminal or a full pipe
// never holds the driver; when the queue is full, lines are dropped and
// counted, and the count is written once there is room again.
PELKCORE_API bool OpenLogFile(const std::string& path);
PELKCORE_API void LogToStderr();
PELKCORE_API void SetLogEcho(bool toStderr); // also copy file lines to stderr

// Called on the writer thread for every line, with the text as the driver
// formatted it (without timestamp and level).
using LogListener = std::function<void(int level, const std::string& text)>;
PELKCORE_API int SubscribeLog(LogListener listener);
PELKCORE_API void UnsubscribeLog(int token);

// Waits until every line queued so far is written and delivered.
PELKCORE_API void FlushLog();
// Flushes and ends the writer thread; a later err() starts it again.
PELKCORE_API void StopLog();
PELKCORE_API uint64_t DroppedLogLines();

// "2026-12-11T12:45:01.123 INFO  text" as written to the log.
PELKCORE_API std::string FormatLogLine(std::chrono::system_clock::time_point when, int level,
                                       const std::string& text);

} // namespace pelkcore
