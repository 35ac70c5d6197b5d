#include <cstring>

#include "host/commands.h"
#include "host/host_runtime.h"
#include "host/lifecycle.h"
#include "host/shared_field.h"

int32_t ChangeVpiParams(VpiRequest* request) {
    DriverContext& context = *request->context;
    const auto* record = static_cast<const ChangeParamsRecord*>(request->data);

    if (record->readTimeout != 0 && record->readTimeout != 0xFFFFFFFF) {
        context.readTimeout = record->readTimeout;
    }
    // Another port: give up the old one first.
    if (std::strncmp(record->portName, context.portSettings.portName, portNameSize) != 0 &&
        LoadShared(context.portHandle) != 0) {
        CloseCom(request);
    }
    CopyPortName(context.portSettings.portName, record->portName);
    if (record->lineSettings.baudRate != 0) {
        context.portSettings.lineSettings = record->lineSettings;
    }

    HANDLE handle = OpenCom(&context.portSettings);
    if (handle == 0) {
        err(logInfo, "TARVIK> ChangeVpiParams() open new COM port failed");
        return ResultFailed;
    }
    TakeOpenedPort(context, handle);
    return ResultOk;
}
