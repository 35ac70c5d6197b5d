#include "host/commands.h"
#include "host/host_runtime.h"
#include "host/lifecycle.h"

int32_t ReOpenCom(VpiRequest* request) {
    DriverContext& context = *request->context;
    HANDLE handle = OpenCom(&context.portSettings);
    if (handle == 0) {
        err(logError, "TARVIK> ReOpenCom() exited 2");
        return ResultFailed;
    }
    TakeOpenedPort(context, handle);
    err(logInfo, "TARVIK> ReOpenCom() exited 0");
    return ResultOk;
}
