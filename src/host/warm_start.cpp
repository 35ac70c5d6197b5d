#include "host/commands.h"
#include "host/driver_context.h"
#include "host/host_runtime.h"
#include "host/shared_field.h"
#include "serial/com_port.h"

int32_t WarmStart(VpiRequest* request) {
    HANDLE handle = LoadShared(request->context->portHandle);
    if (handle != 0) {
        ComPortPurge(handle);
    }
    err(logInfo, "TARVIK> WarmStart()");
    return ResultOk;
}
