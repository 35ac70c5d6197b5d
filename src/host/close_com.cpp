#include "host/commands.h"
#include "host/driver_context.h"
#include "host/host_runtime.h"
#include "host/shared_field.h"
#include "serial/com_port.h"

int32_t CloseCom(VpiRequest* request) {
    DriverContext& context = *request->context;
    HANDLE handle = LoadShared(context.portHandle);
    if (handle == 0) {
        return ResultOk;
    }
    if (ComPortClose(handle) != ComOk) {
        err(logInfo, "TARVIK> CloseCom() exited 2");
        return ResultFailed;
    }
    StoreShared(context.portHandle, HANDLE{0});
    return ResultOk;
}
