#include "host/commands.h"
#include "host/driver_context.h"
#include "host/host_runtime.h"
#include "host/polling_threads.h"
#include "host/stop_flag.h"
#include "platform/win32.h"

namespace {
constexpr DWORD stopPollMs = 10;
}

int32_t EndVpi(VpiRequest* request) {
    err(logInfo, "TARVIK> EndVpi() Entered");
    StoreStopFlag(StopRequested);

    // Wait for every polling thread of the module to end, whether or not the
    // port is open now; and never for one that does not run.
    if (PollingThreadsRunning()) {
        do {
            Sleep(stopPollMs);
        } while (PollingThreadsRunning());
    }

    int32_t result = CloseCom(request);
    if (request->context->gateIds != nullptr) {
        HeapFree(GetProcessHeap(), 0, request->context->gateIds);
    }
    err(logInfo, "TARVIK> EndVpi() exited, %d", result);
    return result;
}
