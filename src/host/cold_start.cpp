#include <cstring>

#include "config/int_file.h"
#include "gates/gate_table.h"
#include "host/commands.h"
#include "host/driver_info.h"
#include "host/host_runtime.h"
#include "host/lifecycle.h"
#include "host/polling_threads.h"
#include "host/shared_field.h"
#include "host/stop_flag.h"

namespace {

// Puts the context into a known state before anything uses it: the defaults
// of the settings, and fields the polling thread and the port commands would
// otherwise find as the host's memory left them.
void SetDefaults(DriverContext& context, uint32_t instance) {
    context.instance = static_cast<uint8_t>(instance & 0xFF);
    context.readTimeout = 10;
    StoreShared(context.portHandle, HANDLE{0});
    StoreShared(context.commState, CommNotSynchronised);
    StoreShared(context.sample, 35);
    StoreShared(context.reaction, 0);
    StoreShared(context.sync, 10);
    StoreShared(context.retries, 5);
    StoreShared(context.debug, 0);

    // A port that ColdStart does not open may still be opened later by
    // ReOpenCom or ChangeVpiParams: they then use no name (the open fails) and
    // the indicator's default line with DTR and RTS on.
    std::memset(context.portSettings.portName, 0, portNameSize);
    context.portSettings.lineSettings = defaultLineSettings;
    context.portSettings.lineControl = defaultLineControl;

    context.gateIds = nullptr;
    context.valueSlot = nullptr;
    std::memset(context.frameBuffers, 0, sizeof context.frameBuffers);
    context.currentFrame = context.frameBuffers[0];
    context.received = 0;
}

} // namespace

int32_t ColdStart(VpiRequest* request) {
    StoreStopFlag(StopRunning);
    err(logInfo, "TARVIK> version compiled on %s at time %s", __DATE__, __TIME__);

    DriverContext& context = *request->context;
    SetDefaults(context, request->instance);
    err(logInfo, "TARVIK> ColdStart() PELKINFORM = YES");

    ReadIntFile(request);

    void* ids = HeapAlloc(GetProcessHeap(), 0, polledGateCount * sizeof(uint32_t));
    if (ids == nullptr) {
        err(logError, "TARVIK> ColdStart() Not enough memory for ID array");
        return ResultOk;
    }
    context.gateIds = static_cast<uint32_t*>(ids);
    if (LoadShared(context.debug) != 0) {
        err(logInfo, "TARVIK> ColdStart() Allocated %d gate id's", polledGateCount);
    }

    const auto* record = static_cast<const ColdStartRecord*>(request->data);
    if (record->portEnabled != 0) {
        CopyPortName(context.portSettings.portName, record->portName);
        context.portSettings.lineSettings = record->lineSettings;
        context.portSettings.lineControl = defaultLineControl;
        HANDLE handle = OpenCom(&context.portSettings);
        if (handle != 0) {
            TakeOpenedPort(context, handle);
            if (LoadShared(context.debug) != 0) {
                err(logInfo, "TARVIK> ReadIntFile() No RTSCTS implemented");
            }
            if (!StartPollingThread(&context)) {
                err(logError, "TARVIK> ColdStart() error starting the polling thread");
            }
        } else {
            err(logError, "TARVIK> ColdStart() error opening COM port");
        }
    }
    err(logInfo, "TARVIK> ColdStart() installation OK!");
    return ResultOk;
}
