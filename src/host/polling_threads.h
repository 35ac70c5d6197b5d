// Start and end of the polling threads of the loaded module. The count of
// running threads lives outside any DriverContext (whose layout is fixed), so
// EndVpi knows whether a thread still uses the context and the gate-id array,
// whatever happened to the port since ColdStart.
#pragma once

#include <atomic>
#include <cstdint>

#include "host/driver_context.h"

extern std::atomic<int32_t> RunningPollingThreads;

// Starts the polling thread on the context; false when no thread could start.
bool StartPollingThread(DriverContext* context);

// True while any polling thread of the module has not yet ended.
bool PollingThreadsRunning();
